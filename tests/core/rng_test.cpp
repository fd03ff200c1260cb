// The generator behind Rnd and Randomize: reproducible when seeded, 24-bit Singles in [0, 1), and
// a Randomize before every draw that never replays draws while the clock stands still.

#include "core/rng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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

}  // namespace
}  // namespace spinlab
