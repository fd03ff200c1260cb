// The main window's simulation state: the random spin, the colour of a site, the pen width for a
// lattice size and the bounds of the three arrays.

#include "core/simstate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <ostream>

#include "core/rng.h"

namespace spinlab {
namespace {

constexpr std::uint32_t kHalf = 1u << 23;  // the draw whose Rnd is exactly 0.5

struct SpinRow {
    std::uint32_t draw;
    int spin;
    int colour;
};
std::ostream& operator<<(std::ostream& out, const SpinRow& r) {
    return out << "draw " << r.draw;
}

class RandomSpinDraw : public ::testing::TestWithParam<SpinRow> {};

TEST_P(RandomSpinDraw, GivesTheSpinAndItsColour) {
    const SpinRow& row = GetParam();
    auto state = std::make_unique<SimState>();
    Rng rng = Rng::withNextDraw(row.draw, 8);
    Rng after = rng;
    after.next24();
    RandomSpin(*state, rng);
    EXPECT_EQ(state->SpinValue, row.spin);
    EXPECT_EQ(state->SpinColor, row.colour);
    EXPECT_EQ(rng.next24(), after.next24()) << "RandomSpin draws exactly once";
}

INSTANTIATE_TEST_SUITE_P(Draws, RandomSpinDraw,
                         ::testing::Values(SpinRow{kHalf, 1, 15}, SpinRow{kHalf - 1, -1, 9},
                                           SpinRow{0, -1, 9}, SpinRow{(1u << 24) - 1, 1, 15}));

TEST(RandomSpin, GivesBothSpinsAboutEquallyOften) {
    auto state = std::make_unique<SimState>();
    Rng rng = Rng::seeded(2024);
    constexpr int kCalls = 100000;
    int up = 0;
    for (int i = 0; i < kCalls; ++i) {
        RandomSpin(*state, rng);
        ASSERT_EQ(state->SpinColor, state->SpinValue == 1 ? 15 : 9);
        if (state->SpinValue == 1) ++up;
    }
    // Six standard deviations (sqrt(kCalls) / 2 = 158) either side of half.
    EXPECT_NEAR(up, kCalls / 2, 950);
}

struct ColourRow {
    double x, y;
    int expected;
};
std::ostream& operator<<(std::ostream& out, const ColourRow& r) {
    return out << '(' << r.x << ", " << r.y << ')';
}

class ColouredLattice : public ::testing::Test {
protected:
    void SetUp() override {
        state_ = std::make_unique<SimState>();
        state_->Lattice2D.set(3, 4, -1);
        state_->Lattice2D.set(5, 6, 1);
        state_->Lattice2D.set(2, 2, -1);
        state_->Lattice2D.set(4, 4, -1);
        state_->Lattice2D.set(3, 3, 1);
        state_->Lattice2D.set(1000, 1000, -1);
        state_->Lattice2D.set(0, 0, -1);
    }
    std::unique_ptr<SimState> state_;
};

class ChooseColorOf : public ColouredLattice, public ::testing::WithParamInterface<ColourRow> {};

TEST_P(ChooseColorOf, SiteFollowsTheColourConvention) {
    const ColourRow& row = GetParam();
    EXPECT_EQ(ChooseColor(*state_, row.x, row.y), row.expected) << row.x << ", " << row.y;
}

INSTANTIATE_TEST_SUITE_P(Sites, ChooseColorOf,
                         ::testing::Values(ColourRow{3, 4, 9}, ColourRow{5, 6, 15},
                                           ColourRow{7, 8, 15}, ColourRow{1000, 1000, 9},
                                           ColourRow{999, 1000, 15},
                                           // Indices are rounded half-to-even: 2.5 is 2, 3.5 is 4.
                                           ColourRow{2.5, 2.5, 9}, ColourRow{3.5, 3.5, 9},
                                           ColourRow{3.4, 3.4, 15}, ColourRow{1000.5, 1000.5, 9},
                                           ColourRow{-0.5, -0.5, 9}));

TEST_F(ColouredLattice, AnIndexOutsideTheLatticeRaisesTheBoundsError) {
    const struct {
        double x, y;
        std::int64_t index;
    } rows[] = {{1001, 0, 1001}, {0, -1, -1},    {1000.6, 0, 1001},
                {0, -0.6, -1},   {-1, 1001, -1}, {1001, -1, 1001}};
    for (const auto& row : rows) {
        try {
            ChooseColor(*state_, row.x, row.y);
            ADD_FAILURE() << row.x << ", " << row.y << " accepted";
        } catch (const BoundsError& e) {
            EXPECT_EQ(e.array(), "Lattice2D");
            EXPECT_EQ(e.index(), row.index) << row.x << ", " << row.y;
        }
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(ChooseColor(*state_, nan, 0), OverflowError);
    EXPECT_THROW(ChooseColor(*state_, 0, 1e10), OverflowError);
}

TEST(PenWidthForSize, MatchesTheTableAtEveryBoundary) {
    const std::pair<int, int> rows[] = {{-5, 20}, {0, 20}, {1, 20},   {10, 20},  {11, 10},
                                        {20, 10}, {21, 3}, {40, 3},   {41, 2},   {60, 2},
                                        {65, 2},  {66, 1}, {1000, 1}, {32767, 1}};
    for (auto [n, width] : rows)
        EXPECT_EQ(penWidthForSize(n), width) << "N = " << n;
}

TEST(Lattices, IndicesOutsideTheArraysRaiseTheBoundsErrorNamingTheArray) {
    auto state = std::make_unique<SimState>();
    EXPECT_NO_THROW(state->Lattice2D.set(1000, 0, 1));
    EXPECT_NO_THROW(state->Lattice3D.set(100, 100, 100, 1));
    EXPECT_NO_THROW(state->ChainState.set(10000, 9));

    auto expectBounds = [](auto&& f, const char* array, std::int64_t index) {
        try {
            f();
            ADD_FAILURE() << array << " index " << index << " accepted";
        } catch (const BoundsError& e) {
            EXPECT_EQ(e.array(), array);
            EXPECT_EQ(e.index(), index);
        }
    };
    SimState& s = *state;
    expectBounds([&] { s.Lattice2D.get(1001, 0); }, "Lattice2D", 1001);
    expectBounds([&] { s.Lattice2D.get(0, -1); }, "Lattice2D", -1);
    expectBounds([&] { s.Lattice2D.set(-1, 1001, 1); }, "Lattice2D", -1);  // x is checked first
    expectBounds([&] { s.Lattice3D.get(101, 0, 0); }, "Lattice3D", 101);
    expectBounds([&] { s.Lattice3D.get(0, 0, -1); }, "Lattice3D", -1);
    expectBounds([&] { s.Lattice3D.set(0, 101, -1, 1); }, "Lattice3D", 101);
    expectBounds([&] { s.ChainState.get(10001); }, "ChainState", 10001);
    expectBounds([&] { s.ChainState.set(-1, 1); }, "ChainState", -1);
}

TEST(Lattices, StartAllZero) {
    auto state = std::make_unique<SimState>();
    EXPECT_EQ(state->Lattice2D.get(0, 0), 0);
    EXPECT_EQ(state->Lattice2D.get(1000, 1000), 0);
    EXPECT_EQ(state->Lattice3D.get(50, 100, 0), 0);
    EXPECT_EQ(state->ChainState.get(10000), 0);
    EXPECT_FALSE(state->Running);
}

// The loops sum neighbours through raw cells and rely on a frame of zeros around each array.
TEST(Lattices, AFullSquareLatticeLeavesItsZeroFrameAlone) {
    auto state = std::make_unique<SimState>();
    SquareLattice& l = state->Lattice2D;
    for (int x = 0; x <= SquareLattice::kMax; ++x)
        for (int y = 0; y <= SquareLattice::kMax; ++y)
            l.set(x, y, (x + y) % 2 == 0 ? 1 : -1);
    for (int i = -1; i <= SquareLattice::kMax + 1; ++i) {
        ASSERT_EQ(*l.cell(-1, i), 0) << i;
        ASSERT_EQ(*l.cell(SquareLattice::kMax + 1, i), 0) << i;
        ASSERT_EQ(*l.cell(i, -1), 0) << i;
        ASSERT_EQ(*l.cell(i, SquareLattice::kMax + 1), 0) << i;
    }
    for (int x = 0; x <= SquareLattice::kMax; x += 37)
        for (int y = 0; y <= SquareLattice::kMax; y += 41)
            ASSERT_EQ(*l.cell(x, y), l.get(x, y));
}

TEST(Lattices, AFullCubicLatticeLeavesItsZeroFrameAlone) {
    auto state = std::make_unique<SimState>();
    CubicLattice& l = state->Lattice3D;
    constexpr int kMax = CubicLattice::kMax;
    for (int x = 0; x <= kMax; ++x)
        for (int y = 0; y <= kMax; ++y)
            for (int z = 0; z <= kMax; ++z)
                l.set(x, y, z, 1);
    long frame = 0;
    for (int a = -1; a <= kMax + 1; ++a) {
        for (int b = -1; b <= kMax + 1; ++b) {
            for (int edge : {-1, kMax + 1}) {
                frame += std::abs(*l.cell(edge, a, b)) + std::abs(*l.cell(a, edge, b)) +
                         std::abs(*l.cell(a, b, edge));
            }
        }
    }
    EXPECT_EQ(frame, 0);
    // The neighbour steps agree with the indexing.
    const std::int8_t* c = l.cell(10, 20, 30);
    EXPECT_EQ(l.cell(11, 20, 30), c + CubicLattice::kStepX);
    EXPECT_EQ(l.cell(10, 21, 30), c + CubicLattice::kStepY);
    EXPECT_EQ(l.cell(10, 20, 31), c + 1);
}

}  // namespace
}  // namespace spinlab
