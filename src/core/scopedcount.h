#pragma once
// Counts a handler for as long as it is on the stack, whichever way it leaves (return, platform
// error or End): the Start buttons use it to bound how deep runs nest in one another's DoEvents.

namespace spinlab {

class ScopedCount {
public:
    explicit ScopedCount(int& active) : active_(active) { ++active_; }
    ~ScopedCount() { --active_; }
    ScopedCount(const ScopedCount&) = delete;
    ScopedCount& operator=(const ScopedCount&) = delete;

private:
    int& active_;
};

}  // namespace spinlab
