#pragma once
// The runs under way, innermost last. A Start pushes its simulation as its set-up begins and pops
// it as its loop ends, whichever way it leaves; pacing, measurements and views follow the
// innermost run, and the serial tells them that a new run has begun.

#include <cstdint>
#include <functional>
#include <vector>

namespace spinlab {

enum class RunKind { Square, Cubic, Chain, Ant };

struct RunRecord {
    RunKind kind;
    std::uint64_t serial;  // 1 for the program's first run, counting every Start that ran
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

    bool empty() const { return runs_.empty(); }
    std::size_t depth() const { return runs_.size(); }
    // The innermost run, or nullptr when none is under way.
    const RunRecord* innermost() const { return runs_.empty() ? nullptr : &runs_.back(); }
    // How many runs have begun since the program started.
    std::uint64_t started() const { return started_; }

    // Told of every run as it begins.
    std::function<void(RunKind)> onBegin;

private:
    void push(RunKind kind) {
        runs_.push_back({kind, ++started_});
        if (onBegin) onBegin(kind);
    }
    void pop() { runs_.pop_back(); }

    std::vector<RunRecord> runs_;
    std::uint64_t started_ = 0;
};

}  // namespace spinlab
