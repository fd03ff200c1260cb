#include "core/rng.h"

#include <chrono>
#include <random>

namespace spinlab {

namespace {

std::uint64_t splitmix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

Rng::Rng(std::uint64_t seed, bool deterministic) : deterministic_(deterministic) {
    std::uint64_t x = seed;
    for (auto& word : s_)
        word = splitmix64(x);
}

Rng Rng::seeded(std::uint64_t seed) {
    return Rng(seed, true);
}

Rng Rng::fromClock() {
    std::random_device device;
    std::uint64_t seed = (static_cast<std::uint64_t>(device()) << 32) ^ device() ^ clockReading();
    Rng rng(seed, false);
    rng.clock_ = rng.mixedClock_ = clockReading();
    return rng;
}

Rng Rng::withNextDraw(std::uint32_t draw, std::uint64_t seed) {
    Rng rng(seed, true);
    // The next output is (s0 + s3) >> 40.
    rng.s_[0] = (static_cast<std::uint64_t>(draw & 0xFFFFFFu) << 40) - rng.s_[3];
    return rng;
}

void Rng::mixClock() {
    // Folding the reading in (rather than seeding from it) keeps the sequence going: two
    // Randomize calls within one clock tick leave the draws running on, never replaying them.
    std::uint64_t x = clock_;
    s_[0] ^= splitmix64(x);
    s_[1] ^= splitmix64(x);
    if ((s_[0] | s_[1] | s_[2] | s_[3]) == 0) s_[0] = 0x9E3779B97F4A7C15ull;
    mixedClock_ = clock_;
    ++reseeds_;
}

std::uint64_t clockReading() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

}  // namespace spinlab
