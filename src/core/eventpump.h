#pragma once
// DoEvents: the loops call it once per trial. The call itself only counts; the backend's
// service (handling clicks, edits and repaints) and the sampling hook run when the count reaches
// the point they asked for, so a trial pays for the physics and not for the toolkit.

#include <cstdint>
#include <functional>
#include <map>

namespace spinlab {

class Rng;

class EventPump {
public:
    using Event = std::function<void()>;

    virtual ~EventPump() = default;

    // Returns true when the backend serviced its events during this call (or a hook ran):
    // anything the user can change (inputs, the lattices through a nested run, the site under
    // trial) may then differ.
    bool DoEvents() {
        if (++calls_ < due_) return false;
        pumpEvents();
        return true;
    }

    // DoEvents calls made so far.
    std::uint64_t calls() const { return calls_; }

    // How many DoEvents calls from now on would return false without running anything. A loop
    // may run that many trials at once, nothing the user can change changing meanwhile, and
    // then count their calls with skipQuiet; the next call is the one that services.
    std::uint64_t quietCalls() const { return due_ > calls_ + 1 ? due_ - calls_ - 1 : 0; }
    void skipQuiet(std::uint64_t calls) {
        const std::uint64_t quiet = quietCalls();
        calls_ += calls < quiet ? calls : quiet;
    }

    // Runs `hook` inside every `every`-th DoEvents call from now on, after the backend's own
    // service of that call; an empty hook removes it. Samplers read the loops' running totals
    // here at exact trial counts, on either backend.
    void everyCall(Event hook, std::uint64_t every = 1);

    // Services the backend inside the next DoEvents call, whatever it asked for before.
    void serviceSoon() { serviceAgainAfter(1); }

    // After End no more events are handled: every DoEvents unwinds its loop with EndRequested.
    void requestEnd() {
        ending_ = true;
        due_ = calls_ + 1;
    }
    bool ending() const { return ending_; }

private:
    void pumpEvents();
    void updateDue();

protected:
    // Handles pending events and says, with serviceAgainAfter, when it wants to run next.
    virtual void service() = 0;
    void serviceAgainAfter(std::uint64_t calls) {
        serviceDue_ = calls_ + (calls == 0 ? 1 : calls);
        updateDue();
    }

    std::uint64_t calls_ = 0;

private:
    std::uint64_t due_ = 1;
    std::uint64_t serviceDue_ = 1;
    Event hook_;
    std::uint64_t hookEvery_ = 1;
    std::uint64_t nextHook_ = 0;
    bool ending_ = false;
};

// The headless pump: scripted events at exact DoEvents calls, so a test can click Stop, edit a
// box or press Start inside trial k, and a batch run can stop after exactly K trials.
class HeadlessPump : public EventPump {
public:
    // The rng's clock follows the real clock between scripted events unless it is seeded.
    explicit HeadlessPump(Rng* rng = nullptr) : rng_(rng) {}

    // Runs `event` inside the DoEvents call that is `k` calls from now (k >= 1).
    void after(std::uint64_t k, Event event);
    bool hasPendingEvents() const { return !scheduled_.empty(); }

protected:
    void service() override;

private:
    void reschedule();

    Rng* rng_;
    std::multimap<std::uint64_t, Event> scheduled_;
};

}  // namespace spinlab
