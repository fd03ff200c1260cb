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
    if (!ending_) service();
    if (ending_) {
        due_ = calls_ + 1;
        throw EndRequested{};
    }
}

void HeadlessPump::after(std::uint64_t k, Event event) {
    scheduled_.emplace(calls_ + std::max<std::uint64_t>(k, 1), std::move(event));
    reschedule();
}

void HeadlessPump::everyCall(Event hook, std::uint64_t every) {
    hook_ = std::move(hook);
    hookEvery_ = std::max<std::uint64_t>(every, 1);
    nextHook_ = calls_ + hookEvery_;
    reschedule();
}

void HeadlessPump::service() {
    const std::uint64_t now = calls_;
    if (rng_) rng_->setClock(clockReading());
    // Events may schedule further events or start nested runs that pump on their own; take
    // each due event out before running it. Once one of them ends the program, none follows.
    while (!ending_ && !scheduled_.empty() && scheduled_.begin()->first <= now) {
        Event event = std::move(scheduled_.begin()->second);
        scheduled_.erase(scheduled_.begin());
        event();
    }
    if (!ending_ && hook_ && nextHook_ <= now) {
        nextHook_ = now + hookEvery_;
        Event hook = hook_;
        hook();
    }
    reschedule();
}

void HeadlessPump::reschedule() {
    std::uint64_t next = calls_ + kIdleServicePeriod;
    if (!scheduled_.empty()) next = std::min(next, scheduled_.begin()->first);
    if (hook_) next = std::min(next, nextHook_);
    due_ = std::max(next, calls_ + 1);
}

}  // namespace spinlab
