#pragma once
// The generator behind Rnd and Randomize. Rnd gives a Single in [0, 1) with 24 random bits.
// The draws are made a block ahead by eight independent xoshiro128+ lanes (draw i comes from
// lane i mod 8), so a seeded generator's stream depends on its seed alone, never on when a block
// is made or who takes the draws. Randomize mixes the last clock reading the event pump took into
// every lane, and only when that reading has moved; it then throws away the block drawn ahead
// from the old state, so re-seeding never replays a draw and costs one compare otherwise.

#include <cstdint>
#include <span>
#include <vector>

namespace spinlab {

class Rng {
public:
    static constexpr int kLanes = 8;
    // Draws made at a time (a multiple of kLanes), and the most a loop may look ahead at once.
    static constexpr int kBlock = 512;
    static constexpr int kMaxLook = 32;

    // Deterministic: the clock is ignored.
    static Rng seeded(std::uint64_t seed);
    // Seeded from the system's entropy and clock; Randomize follows the clock.
    static Rng fromClock();
    // Deterministic: `draws` (each in [0, 2^24)) come first, in order, then the draws of
    // seeded(seed). Lets a test put exact values such as 0.5 or a tie in front of the code.
    static Rng scripted(const std::vector<std::uint32_t>& draws, std::uint64_t seed = 0);
    // scripted({draw}, seed).
    static Rng withNextDraw(std::uint32_t draw, std::uint64_t seed = 0);

    float Rnd() {
        if (next_ == end_) refill();
        return block_[next_++];
    }
    // The next draw as a whole number in [0, 2^24); Rnd() is this times 2^-24.
    std::uint32_t next24() { return static_cast<std::uint32_t>(Rnd() * 0x1p24f); }

    // For a loop that runs many trials between two pump calls: the draws already made and not
    // yet taken, in stream order, at least `atLeast` (up to kMaxLook) of them. The loop takes
    // those it uses with take(); Rnd() then goes on after them.
    std::span<const float> pending(int atLeast) {
        while (end_ - next_ < atLeast)
            refill();
        return {block_ + next_, static_cast<std::size_t>(end_ - next_)};
    }
    void take(int count) { next_ += count; }

    // Re-seeds from the clock reading when it moved since the last mix. A loop that takes its
    // draws with pending() calls it once before them: the reading moves only at the pump.
    void Randomize() {
        if (clock_ != mixedClock_) mixClock();
    }

    // The pump's cheap clock reading; ignored by a deterministic generator.
    void setClock(std::uint64_t reading) {
        if (!deterministic_) clock_ = reading;
    }
    bool deterministic() const { return deterministic_; }
    std::uint64_t reseeds() const { return reseeds_; }

    // Whether blocks are made with AVX2, which the processor is asked for at run time; tests
    // turn it off to check that the baseline path makes the same draws.
    static bool wideFill();
    static void allowWideFill(bool allowed);

private:
    Rng(std::uint64_t seed, bool deterministic);
    void refill();
    void fillFromLanes(float* out);
    void mixClock();

    // The lanes' states: word w of lane l is lane_[w][l], so one step of all lanes is a few
    // vector operations.
    alignas(16) std::uint32_t lane_[4][kLanes];
    alignas(16) float block_[kBlock + kMaxLook];
    int next_ = 0;
    int end_ = 0;
    std::vector<float> script_;
    std::size_t scripted_ = 0;  // script entries already moved into the block
    std::uint64_t clock_ = 0;
    std::uint64_t mixedClock_ = 0;
    std::uint64_t reseeds_ = 0;
    bool deterministic_;
};

// A coarse monotonic clock reading in nanoseconds, for the pumps.
std::uint64_t clockReading();

}  // namespace spinlab
