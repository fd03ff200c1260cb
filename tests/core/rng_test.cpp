// The generator behind Rnd and Randomize: reproducible when seeded, 24-bit Singles in [0, 1), and
// a Randomize before every draw that never replays draws while the clock stands still.

#include "core/rng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

namespace spinlab {
namespace {

std::vector<std::uint32_t> draws(Rng rng, int count) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(count));
    for (auto& d : out)
        d = rng.next24();
    return out;
}

TEST(Rng, SameSeedGivesTheSameSequenceAndAnotherSeedAnother) {
    EXPECT_EQ(draws(Rng::seeded(42), 1000), draws(Rng::seeded(42), 1000));
    EXPECT_NE(draws(Rng::seeded(42), 1000), draws(Rng::seeded(43), 1000));
}

TEST(Rng, RndIsASingleInZeroToOneWith24Bits) {
    Rng rng = Rng::seeded(7);
    float lowest = 1.0f, highest = 0.0f;
    for (int i = 0; i < 100000; ++i) {
        const float r = rng.Rnd();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        const float scaled = r * 0x1p24f;
        ASSERT_EQ(scaled, std::floor(scaled)) << r;
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    // The draws cover the interval, not a corner of it.
    EXPECT_LT(lowest, 0.001f);
    EXPECT_GT(highest, 0.999f);
}

TEST(Rng, WithNextDrawPutsAnExactValueFirst) {
    for (std::uint32_t k : {0u, 1u, (1u << 23) - 1, 1u << 23, 12345678u, (1u << 24) - 1}) {
        Rng rng = Rng::withNextDraw(k, 99);
        EXPECT_EQ(rng.next24(), k);
        EXPECT_EQ(Rng::withNextDraw(k).Rnd(), static_cast<float>(k) * 0x1p-24f);
    }
    EXPECT_EQ(Rng::withNextDraw(1u << 23).Rnd(), 0.5f);
    // The largest draw is still below 1 as a Single.
    EXPECT_LT(Rng::withNextDraw((1u << 24) - 1).Rnd(), 1.0f);
    EXPECT_TRUE(Rng::withNextDraw(5).deterministic());
}

TEST(Rng, WithNextDrawGoesOnLikeAnyGenerator) {
    // The draws after the forced one are not stuck or repeated.
    const std::vector<std::uint32_t> d = draws(Rng::withNextDraw(1u << 23, 3), 1000);
    std::vector<std::uint32_t> sorted(d.begin() + 1, d.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_GT(std::unique(sorted.begin(), sorted.end()) - sorted.begin(), 990);
}

TEST(Rng, ADeterministicGeneratorIgnoresTheClockAndRandomize) {
    Rng rng = Rng::seeded(5);
    const Rng untouched = rng;
    std::vector<std::uint32_t> withRandomize;
    for (int i = 0; i < 1000; ++i) {
        rng.setClock(static_cast<std::uint64_t>(i) * 7919u + 1);
        rng.Randomize();
        withRandomize.push_back(rng.next24());
    }
    EXPECT_EQ(withRandomize, draws(untouched, 1000));
    EXPECT_EQ(rng.reseeds(), 0u);
}

// The clock generator is seeded from the system; what is checked holds for any seed.
TEST(Rng, RandomizeWithAStillClockNeverReplaysDraws) {
    Rng rng = Rng::fromClock();
    ASSERT_FALSE(rng.deterministic());
    rng.setClock(1000);
    rng.Randomize();
    const Rng fresh = rng;
    const std::uint64_t reseeds = rng.reseeds();

    constexpr int kDraws = 100000;
    std::vector<std::uint32_t> got;
    got.reserve(kDraws);
    for (int i = 0; i < kDraws; ++i) {
        rng.setClock(1000);
        rng.Randomize();
        got.push_back(rng.next24());
    }
    EXPECT_EQ(rng.reseeds(), reseeds);
    // The sequence runs on as if Randomize had not been called ...
    EXPECT_EQ(got, draws(fresh, kDraws));
    // ... so the opening run of the fresh sequence is never met again.
    const std::vector<std::uint32_t> opening(got.begin(), got.begin() + 3);
    const auto again = std::search(got.begin() + 1, got.end(), opening.begin(), opening.end());
    EXPECT_EQ(again, got.end()) << "replayed at draw " << (again - got.begin());
}

TEST(Rng, AMovedClockReseedsOnce) {
    Rng rng = Rng::fromClock();
    rng.setClock(123456789);
    const Rng before = rng;
    const std::uint64_t reseeds = rng.reseeds();
    rng.Randomize();
    EXPECT_EQ(rng.reseeds(), reseeds + 1);
    rng.Randomize();
    rng.setClock(123456789);
    rng.Randomize();
    EXPECT_EQ(rng.reseeds(), reseeds + 1);

    // One mix of that reading, whatever the number of Randomize calls.
    Rng once = before;
    once.Randomize();
    EXPECT_EQ(draws(rng, 100), draws(once, 100));
    EXPECT_NE(draws(rng, 100), draws(before, 100));
}

TEST(Rng, AClockMovingAtEveryDrawStillGivesFreshDraws) {
    Rng rng = Rng::fromClock();
    std::vector<std::uint32_t> got;
    for (std::uint64_t t = 1; t <= 20000; ++t) {
        rng.setClock(t % 2 == 0 ? 10 : 20);  // flickering between two readings
        rng.Randomize();
        got.push_back(rng.next24());
    }
    EXPECT_EQ(rng.reseeds(), 20000u);
    std::sort(got.begin(), got.end());
    // 20000 draws out of 2^24 values: a handful of coincidences at most.
    EXPECT_GT(std::unique(got.begin(), got.end()) - got.begin(), 19950);
}

// The generator written out from the published algorithms, one draw at a time: eight
// xoshiro128+ lanes seeded in turn from splitmix64, draw i the top 24 bits of lane i mod 8.
class ReferenceLanes {
public:
    explicit ReferenceLanes(std::uint64_t seed) {
        for (auto& lane : lanes_) {
            const std::uint64_t a = splitmix(seed), b = splitmix(seed);
            lane = {static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(a >> 32),
                    static_cast<std::uint32_t>(b), static_cast<std::uint32_t>(b >> 32)};
        }
    }
    std::uint32_t next24() {
        auto& s = lanes_[turn_++ % 8];
        const std::uint32_t result = s[0] + s[3];
        const std::uint32_t t = s[1] << 9;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = (s[3] << 11) | (s[3] >> 21);
        return result >> 8;
    }

private:
    static std::uint64_t splitmix(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::array<std::array<std::uint32_t, 4>, 8> lanes_{};
    std::uint64_t turn_ = 0;
};

std::vector<std::uint32_t> reference(std::uint64_t seed, int count) {
    ReferenceLanes lanes(seed);
    std::vector<std::uint32_t> out(static_cast<std::size_t>(count));
    for (auto& d : out)
        d = lanes.next24();
    return out;
}

TEST(Rng, TheStreamIsEightXoshiroLanesInTurnWhicheverVectorUnitMakesIt) {
    for (const bool wide : {true, false}) {
        SCOPED_TRACE(wide ? "AVX2 where the processor has it" : "baseline");
        Rng::allowWideFill(wide);
        for (std::uint64_t seed : {0ull, 7ull, 0xFFFFFFFFFFFFFFFFull})
            EXPECT_EQ(draws(Rng::seeded(seed), 3 * Rng::kBlock + 5),
                      reference(seed, 3 * Rng::kBlock + 5));
    }
    Rng::allowWideFill(true);
}

// A loop takes its draws a block at a time, the set-ups one by one: mixed in any way, they are
// one stream.
TEST(Rng, DrawsTakenAheadAndOneByOneAreOneStream) {
    Rng rng = Rng::seeded(9);
    std::vector<std::uint32_t> got;
    int turn = 0;
    while (got.size() < 5000) {
        const int look = 1 + turn % Rng::kMaxLook;
        if (turn++ % 3 == 0) {
            got.push_back(rng.next24());
            continue;
        }
        const std::span<const float> ahead = rng.pending(look);
        ASSERT_GE(ahead.size(), static_cast<std::size_t>(look));
        const int used = static_cast<int>(std::min<std::size_t>(ahead.size(), 7 * look + turn % 5));
        for (int i = 0; i < used; ++i)
            got.push_back(static_cast<std::uint32_t>(ahead[static_cast<std::size_t>(i)] * 0x1p24f));
        rng.take(used);
    }
    got.resize(5000);
    EXPECT_EQ(got, reference(9, 5000));
}

TEST(Rng, AScriptedGeneratorGivesItsDrawsThenTheSeededStream) {
    std::vector<std::uint32_t> script;
    for (std::uint32_t i = 0; i < 2 * Rng::kBlock + 3; ++i)
        script.push_back((i * 2654435761u) & 0xFFFFFFu);
    Rng rng = Rng::scripted(script, 4);
    EXPECT_TRUE(rng.deterministic());
    // Looking ahead across the end of the script sees the stream go on behind it.
    for (std::size_t i = 0; i + 2 < script.size(); ++i)
        ASSERT_EQ(rng.next24(), script[i]) << i;
    const std::span<const float> ahead = rng.pending(Rng::kMaxLook);
    EXPECT_EQ(ahead[0] * 0x1p24f, static_cast<float>(script[script.size() - 2]));
    EXPECT_EQ(ahead[1] * 0x1p24f, static_cast<float>(script.back()));
    rng.take(2);
    EXPECT_EQ(draws(rng, 1000), reference(4, 1000));
    EXPECT_EQ(draws(Rng::withNextDraw(77, 4), 1001).front(), 77u);
}

// The block drawn ahead before a re-seed came from the old state: it is dropped, not handed out.
TEST(Rng, AReseedDropsTheBlockDrawnAhead) {
    Rng rng = Rng::fromClock();
    rng.next24();  // a block is now drawn ahead
    const Rng unmixed = rng;
    rng.setClock(424242);
    rng.Randomize();
    const std::vector<std::uint32_t> after = draws(rng, 64);
    const std::vector<std::uint32_t> ahead = draws(unmixed, 64);
    EXPECT_NE(after.front(), ahead.front());
    EXPECT_EQ(std::search(after.begin(), after.end(), ahead.begin(), ahead.begin() + 3),
              after.end());
}

}  // namespace
}  // namespace spinlab
