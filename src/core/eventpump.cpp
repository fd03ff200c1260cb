#include "core/eventpump.h"

#include <algorithm>

#include "core/errors.h"
#include "core/rng.h"

namespace spinlab {

namespace {
// Without scripted events the pump still wakes now and then to move the generator's clock.
constexpr std::uint64_t kIdleServicePeriod = 1u << 16;
}  // namespace

void EventPump::pumpEvents() {
    const std::uint64_t now = calls_;
    if (!ending_ && serviceDue_ <= now) service();
    // Events may have started nested runs that pumped (and sampled) on their own; the hook runs
    // once for this call, at most, and takes its period from this call.
    if (!ending_ && hook_ && nextHook_ <= now) {
        nextHook_ = now + hookEvery_;
        Event hook = hook_;
        hook();
    }
    if (ending_) {
        due_ = calls_ + 1;
        throw EndRequested{};
    }
    updateDue();
}

void EventPump::updateDue() {
    if (ending_) {
        due_ = calls_ + 1;
        return;
    }
    std::uint64_t next = serviceDue_;
    if (hook_) next = std::min(next, nextHook_);
    due_ = std::max(next, calls_ + 1);
}

void EventPump::everyCall(Event hook, std::uint64_t every) {
    hook_ = std::move(hook);
    hookEvery_ = std::max<std::uint64_t>(every, 1);
    nextHook_ = calls_ + hookEvery_;
    updateDue();
}

void HeadlessPump::after(std::uint64_t k, Event event) {
    scheduled_.emplace(calls_ + std::max<std::uint64_t>(k, 1), std::move(event));
    reschedule();
}

void HeadlessPump::service() {
    const std::uint64_t now = calls_;
    if (rng_) rng_->setClock(clockReading());
    // Events may schedule further events or start nested runs that pump on their own; take
    // each due event out before running it. Once one of them ends the program, none follows.
    while (!ending() && !scheduled_.empty() && scheduled_.begin()->first <= now) {
        Event event = std::move(scheduled_.begin()->second);
        scheduled_.erase(scheduled_.begin());
        event();
    }
    reschedule();
}

void HeadlessPump::reschedule() {
    std::uint64_t next = calls_ + kIdleServicePeriod;
    if (!scheduled_.empty()) next = std::min(next, scheduled_.begin()->first);
    serviceAgainAfter(next > calls_ ? next - calls_ : 1);
}

}  // namespace spinlab
