#pragma once
// The runs under way, innermost last. A Start pushes its simulation as its set-up begins and pops
// it as its loop ends, whichever way it leaves; pacing, measurements and views follow the
// innermost run, and the serial tells them that a new run has begun.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/eventpump.h"

namespace spinlab {

enum class RunKind { Square, Cubic, Chain, Ant };

struct RunRecord {
    RunKind kind;
    std::uint64_t serial;  // 1 for the program's first run, counting every Start that ran
    // DoEvents calls before the run's first trial, and those made by runs nested inside it:
    // the set-up does not pump, so the rest are this run's own trials.
    std::uint64_t firstCall = 0;
    std::uint64_t nestedCalls = 0;
};

class RunStack {
public:
    // Holds one run on the stack for as long as the Start handler that began it is on the call
    // stack.
    class Scope {
    public:
        Scope(RunStack& stack, RunKind kind) : stack_(stack) { stack_.push(kind); }
        ~Scope() { stack_.pop(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        RunStack& stack_;
    };

    // The pump whose calls count the runs' trials; without one every count is 0.
    void countCallsOf(const EventPump& pump) { pump_ = &pump; }

    bool empty() const { return runs_.empty(); }
    std::size_t depth() const { return runs_.size(); }
    // The innermost run, or nullptr when none is under way.
    const RunRecord* innermost() const { return runs_.empty() ? nullptr : &runs_.back(); }
    // How many runs have begun since the program started.
    std::uint64_t started() const { return started_; }
    // The trials `run` (on the stack) has made so far, as its loop counts them.
    std::uint64_t trials(const RunRecord& run) const {
        return calls() - run.firstCall - run.nestedCalls;
    }

    // The size (N, or the chain's n) a run of `kind` last ended at; -1 before any has. What a
    // view shows when idle is that run's lattice, whatever the box says since.
    int lastSize(RunKind kind) const { return lastSize_[static_cast<std::size_t>(kind)]; }
    void noteSize(RunKind kind, int n) { lastSize_[static_cast<std::size_t>(kind)] = n; }

    // Told after every push and pop, never during a trial; it must not throw, since a pop may
    // happen while an error unwinds the run.
    std::function<void()> onChange;

    // Told of every run as it begins.
    std::function<void(RunKind)> onBegin;

private:
    std::uint64_t calls() const { return pump_ ? pump_->calls() : 0; }
    void push(RunKind kind) {
        runs_.push_back({kind, ++started_, calls(), 0});
        if (onBegin) onBegin(kind);
        if (onChange) onChange();
    }
    void pop() {
        const std::uint64_t spent = calls() - runs_.back().firstCall;
        runs_.pop_back();
        if (!runs_.empty()) runs_.back().nestedCalls += spent;
        if (onChange) onChange();
    }

    const EventPump* pump_ = nullptr;
    std::vector<RunRecord> runs_;
    std::uint64_t started_ = 0;
    std::array<int, 4> lastSize_{-1, -1, -1, -1};
};

}  // namespace spinlab
