#pragma once
// The generator behind Rnd and Randomize. Rnd gives a Single in [0, 1) with 24 random bits.
// Randomize mixes the last clock reading the event pump took into the state, and only when that
// reading has moved, so calling it before every draw costs one compare and never replays draws.
// A seeded generator ignores the clock entirely and gives the same draws on every run.

#include <cstdint>

namespace spinlab {

class Rng {
public:
    // Deterministic: the clock is ignored.
    static Rng seeded(std::uint64_t seed);
    // Seeded from the system's entropy and clock; Randomize follows the clock.
    static Rng fromClock();
    // Deterministic, with `draw` (in [0, 2^24)) as its very next draw: lets a test put an exact
    // value such as 0.5 in front of the code under test.
    static Rng withNextDraw(std::uint32_t draw, std::uint64_t seed = 0);

    // The next draw as a whole number in [0, 2^24); Rnd() is this times 2^-24.
    std::uint32_t next24() {
        const std::uint64_t result = s_[0] + s_[3];
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = (s_[3] << 45) | (s_[3] >> 19);
        return static_cast<std::uint32_t>(result >> 40);
    }
    float Rnd() { return static_cast<float>(next24()) * 0x1p-24f; }

    void Randomize() {
        if (clock_ != mixedClock_) mixClock();
    }

    // The pump's cheap clock reading; ignored by a deterministic generator.
    void setClock(std::uint64_t reading) {
        if (!deterministic_) clock_ = reading;
    }
    bool deterministic() const { return deterministic_; }
    std::uint64_t reseeds() const { return reseeds_; }

private:
    Rng(std::uint64_t seed, bool deterministic);
    void mixClock();

    std::uint64_t s_[4];
    std::uint64_t clock_ = 0;
    std::uint64_t mixedClock_ = 0;
    std::uint64_t reseeds_ = 0;
    bool deterministic_;
};

// A coarse monotonic clock reading in nanoseconds, for the pumps.
std::uint64_t clockReading();

}  // namespace spinlab
