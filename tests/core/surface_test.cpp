// The picture surface: where a dot of each pen width lands, how it is clipped, what odd scales
// and coordinates do, and the dirty flag the backends use to repaint.

#include "core/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

#include "core/layout.h"
#include "core/simstate.h"

namespace spinlab {
namespace {

constexpr Color kWhite = 0xFFFFFF;
constexpr Color kInk = 0x123456;

// The pixels painted in one colour, as a rectangle (or none).
struct Footprint {
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive
    bool operator==(const Footprint&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Footprint& f) {
        return out << "columns " << f.left << ".." << f.right << ", rows " << f.top << ".."
                   << f.bottom;
    }
};
const Footprint kNothing{};

Footprint footprint(const Surface& s, Color c) {
    Footprint f{s.width(), s.height(), -1, -1};
    int count = 0;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) != c) continue;
            ++count;
            f.left = std::min(f.left, x);
            f.top = std::min(f.top, y);
            f.right = std::max(f.right, x);
            f.bottom = std::max(f.bottom, y);
        }
    }
    if (count == 0) return kNothing;
    EXPECT_EQ(count, (f.right - f.left + 1) * (f.bottom - f.top + 1)) << "not a square dot";
    return f;
}

struct DotRow {
    int drawWidth;
    double x, y;
    Footprint expected;
};

std::ostream& operator<<(std::ostream& out, const DotRow& r) {
    return out << "width " << r.drawWidth << " at (" << r.x << ", " << r.y << ")";
}

// A 40 x 30 pixel surface at its initial pixel scale.
class DotFootprint : public ::testing::TestWithParam<DotRow> {};

TEST_P(DotFootprint, CoversExactlyThesePixels) {
    const DotRow& row = GetParam();
    Surface s("Picture1", 40, 30, kWhite, 1);
    s.setDrawWidth(row.drawWidth);
    s.PSet(row.x, row.y, kInk);
    EXPECT_EQ(footprint(s, kInk), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DotFootprint,
    ::testing::Values(DotRow{1, 5, 7, {5, 7, 5, 7}}, DotRow{1, 5.9, 7.2, {5, 7, 5, 7}},
                      DotRow{2, 5, 7, {4, 6, 5, 7}}, DotRow{2, 5.5, 7.5, {5, 7, 6, 8}},
                      DotRow{3, 5, 7, {4, 6, 6, 8}}, DotRow{3, 5.99, 7.99, {4, 6, 6, 8}},
                      DotRow{20, 20, 15, {10, 5, 29, 24}},
                      DotRow{20, 20.5, 15.5, {11, 6, 30, 25}}));

INSTANTIATE_TEST_SUITE_P(
    ClippedAtTheEdges, DotFootprint,
    ::testing::Values(DotRow{3, 0, 0, {0, 0, 1, 1}}, DotRow{3, 39, 29, {38, 28, 39, 29}},
                      DotRow{20, 0, 15, {0, 5, 9, 24}}, DotRow{20, 39, 15, {29, 5, 39, 24}},
                      DotRow{20, 20, 0, {10, 0, 29, 9}}, DotRow{20, 20, 29, {10, 19, 29, 29}},
                      DotRow{20, -9.5, 15, {0, 5, 0, 24}}, DotRow{3, -1, 7, {0, 6, 0, 8}},
                      DotRow{1, -0.5, 7, kNothing}, DotRow{1, 40.5, 7, kNothing},
                      DotRow{3, -1.5, 7, kNothing}, DotRow{20, -10, 15, kNothing},
                      DotRow{20, 20, 39.5, kNothing}));

// A dot centred on the far edge (x = ScaleWidth) stays in the last column or row.
INSTANTIATE_TEST_SUITE_P(
    OnTheFarEdge, DotFootprint,
    ::testing::Values(DotRow{1, 40, 30, {39, 29, 39, 29}}, DotRow{1, 40, 10, {39, 10, 39, 10}},
                      DotRow{1, 10, 30, {10, 29, 10, 29}}, DotRow{2, 40, 30, {39, 29, 39, 29}},
                      DotRow{3, 40, 30, {39, 29, 39, 29}}, DotRow{20, 40, 30, {30, 20, 39, 29}},
                      DotRow{1, 39.999, 29.999, {39, 29, 39, 29}}));

// Coordinates that cannot be placed paint nothing, with any pen.
class UnplaceablePoint : public ::testing::TestWithParam<int> {};

TEST_P(UnplaceablePoint, PaintsNothing) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double points[][2] = {{nan, 5},    {5, nan},   {nan, nan},   {inf, 5},
                                {-inf, 5},   {5, inf},   {5, -inf},    {1e300, 5},
                                {-1e300, 5}, {5, 1e300}, {1e12, 1e12}, {-1e12, 5}};
    Surface s("Picture1", 40, 30, kWhite, GetParam());
    s.takeDirty();
    for (const auto& p : points) {
        s.PSet(p[0], p[1], kInk);
        EXPECT_EQ(footprint(s, kInk), kNothing) << p[0] << ", " << p[1];
    }
    EXPECT_FALSE(s.dirty());
    // A zero scale keeps 0 on the edge, but an infinite point still nowhere.
    s.setScaleWidth(0);
    s.PSet(inf, 5, kInk);
    s.PSet(nan, 5, kInk);
    EXPECT_EQ(footprint(s, kInk), kNothing);
}

INSTANTIATE_TEST_SUITE_P(DrawWidths, UnplaceablePoint, ::testing::Values(1, 2, 3, 20));

TEST(SurfaceScale, MapsUserUnitsOntoTheInterior) {
    Surface s("Picture1", 40, 30, kWhite, 1);
    s.setScaleWidth(4);
    s.setScaleHeight(3);
    EXPECT_EQ(s.ScaleWidth(), 4.0f);
    s.PSet(1.05, 2.05, kInk);
    EXPECT_EQ(footprint(s, kInk), (Footprint{10, 20, 10, 20}));
    EXPECT_EQ(s.Point(1.05, 2.05), kInk);
    EXPECT_EQ(s.Point(1.0, 2.0), kInk);
    EXPECT_EQ(s.Point(0.95, 2.05), kWhite);
}

TEST(SurfaceScale, ZeroKeepsOnlyTheOriginOnTheLeftOrTopEdge) {
    Surface s("Picture1", 40, 30, kWhite, 1);
    s.setScaleWidth(0);
    s.PSet(0, 7, kInk);
    s.PSet(1000, 7, kInk);
    s.PSet(0.001, 8, kInk);
    s.PSet(-3, 8, kInk);
    EXPECT_EQ(footprint(s, kInk), (Footprint{0, 7, 0, 7}));
    s.setScaleHeight(0);
    s.PSet(0, 0, 0x00FF00);
    s.PSet(0, 12345, 0x0000FF);
    EXPECT_EQ(s.pixel(0, 0), 0x00FF00);
    EXPECT_EQ(s.Point(0, 0), 0x00FF00);
    EXPECT_EQ(s.Point(-7, 0), kNoColor);
}

TEST(SurfaceScale, NegativeTurnsTheAxisAwayFromTheInterior) {
    Surface s("Picture1", 40, 30, kWhite, 1);
    s.setScaleWidth(-40);
    s.PSet(5, 7, kInk);
    EXPECT_EQ(footprint(s, kInk), kNothing);
    s.PSet(-5, 7, kInk);
    EXPECT_EQ(footprint(s, kInk), (Footprint{5, 7, 5, 7}));
    EXPECT_EQ(s.Point(-5, 7), kInk);
    EXPECT_EQ(s.Point(5, 7), kNoColor);
}

// Every lattice size on the main picture: the sites on the far edges (x or y = N) are painted in
// the last column and row, and a site that falls exactly on a pixel boundary in that pixel.
TEST(SurfaceScale, LatticeSitesLandInTheirPixelForEverySize) {
    const ControlDesign& box = isingModelDesign().control("Picture1");
    Surface s("Picture1", pictureInterior(box.width, 15), pictureInterior(box.height, 15), kWhite,
              1);
    const int w = s.width(), h = s.height();
    for (int n = 1; n <= 1000; ++n) {
        s.setScaleWidth(static_cast<float>(n));
        s.setScaleHeight(static_cast<float>(n));
        s.setDrawWidth(1);
        s.PSet(n, n, kInk);
        ASSERT_EQ(s.pixel(w - 1, h - 1), kInk) << "N = " << n;
        s.PSet(n, n, kWhite);
        for (int i = 1; i < n; ++i) {
            if (i * w % n == 0) {
                s.PSet(i, 0, kInk);
                ASSERT_EQ(s.pixel(i * w / n, 0), kInk) << "N = " << n << ", x = " << i;
                s.PSet(i, 0, kWhite);
            }
            if (i * h % n == 0) {
                s.PSet(0, i, kInk);
                ASSERT_EQ(s.pixel(0, i * h / n), kInk) << "N = " << n << ", y = " << i;
                s.PSet(0, i, kWhite);
            }
        }
        // With the pen the set-up picks for N, the far corner is still covered.
        s.setDrawWidth(penWidthForSize(n));
        s.PSet(n, n, kInk);
        ASSERT_EQ(s.pixel(w - 1, h - 1), kInk) << "N = " << n;
        s.Cls();
    }
}

TEST(SurfacePoint, ReadsThePixelAndAnswersNoColourOutside) {
    Surface s("Picture1", 40, 30, kWhite, 1);
    s.PSet(39, 29, kInk);
    EXPECT_EQ(s.Point(39.5, 29.5), kInk);
    EXPECT_EQ(s.Point(0, 0), kWhite);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (auto [x, y] : {std::pair{-0.01, 0.0},
                        {0.0, -0.01},
                        {40.0, 0.0},
                        {0.0, 30.0},
                        {nan, 0.0},
                        {1e300, 0.0}}) {
        EXPECT_EQ(s.Point(x, y), kNoColor) << x << ", " << y;
    }
    EXPECT_EQ(kNoColor, -1);
}

TEST(SurfaceCls, FillsWithTheBackgroundSetLast) {
    Surface s("Picture1", 40, 30, kWhite, 20);
    s.PSet(20, 15, kInk);
    s.setBackground(0x00FF00);
    EXPECT_EQ(s.pixel(0, 0), kWhite);  // takes effect at the next Cls only
    s.Cls();
    EXPECT_EQ(footprint(s, kInk), kNothing);
    EXPECT_EQ(footprint(s, 0x00FF00), (Footprint{0, 0, 39, 29}));
    // Cls leaves the scale and pen alone.
    EXPECT_EQ(s.DrawWidth(), 20);
}

TEST(SurfaceDrawWidth, IsAtLeastOnePixel) {
    Surface s("Picture1", 40, 30, kWhite, 0);
    EXPECT_EQ(s.DrawWidth(), 1);
    s.setDrawWidth(-4);
    s.PSet(5, 7, kInk);
    EXPECT_EQ(footprint(s, kInk), (Footprint{5, 7, 5, 7}));
}

TEST(SurfaceDirty, MarksWhatTheBackendStillHasToShow) {
    Surface s("Picture1", 40, 30, kWhite, 1);
    EXPECT_TRUE(s.takeDirty());  // a new surface has never been shown
    EXPECT_FALSE(s.takeDirty());

    s.PSet(50, 50, kInk);  // clipped away: nothing new to show
    s.PSet(40.5, 7, kInk);
    EXPECT_FALSE(s.dirty());
    s.PSet(5, 5, kInk);
    EXPECT_TRUE(s.takeDirty());
    EXPECT_FALSE(s.dirty());

    s.setDrawWidth(3);
    s.PSet(6, 6, kInk);
    EXPECT_TRUE(s.takeDirty());

    s.Cls();
    EXPECT_TRUE(s.takeDirty());

    const std::uint64_t refreshes = s.refreshes();
    s.Refresh();
    EXPECT_EQ(s.refreshes(), refreshes + 1);
    EXPECT_TRUE(s.takeDirty());
}

// A stretch of dots painted from the last back to the first leaves what PSet leaves painting
// them in order, for every pen, scale and overlap, on the surface's edges and off it.
struct GridCase {
    const char* name;
    int width, height, pen;
    float scaleX, scaleY;
    int maxX, maxY;
    bool crowded;  // a stretch of 1000 dots paints the same places over and over
};

void PrintTo(const GridCase& c, std::ostream* out) {
    *out << c.name;
}

class Backwards : public ::testing::TestWithParam<GridCase> {};

TEST_P(Backwards, LeavesWhatPSetLeavesInOrder) {
    const GridCase& c = GetParam();
    Surface inOrder("a", c.width, c.height, kWhite, c.pen);
    Surface backwards("b", c.width, c.height, kWhite, c.pen);
    Surface forwards("c", c.width, c.height, kWhite, c.pen);
    for (Surface* s : {&inOrder, &backwards, &forwards}) {
        s->setScaleWidth(c.scaleX);
        s->setScaleHeight(c.scaleY);
    }
    struct Dot {
        int x, y;
        Color color;
    };
    std::vector<Dot> dots;
    std::uint64_t z = 12345;
    for (int i = 0; i < 3000; ++i) {
        z = z * 6364136223846793005ull + 1442695040888963407ull;
        const int x = static_cast<int>((z >> 33) % static_cast<std::uint64_t>(c.maxX + 1));
        const int y = static_cast<int>((z >> 13) % static_cast<std::uint64_t>(c.maxY + 1));
        dots.push_back({x, y, (z >> 60) % 3 == 0 ? kInk : (z >> 60) % 3 == 1 ? 0x00FF00 : 0});
    }
    DotGrid grid, apart;
    for (int stretch = 0; stretch < 3; ++stretch) {
        const auto begin = dots.begin() + stretch * 1000, end = begin + 1000;
        for (auto d = begin; d != end; ++d)
            inOrder.PSet(d->x, d->y, d->color);
        grid.follow(backwards, c.maxX, c.maxY);
        DotGrid::Backwards pen(grid);
        for (auto d = end; d != begin;) {
            --d;
            using Mask = DotGrid::Backwards::Mask;
            if (pen.mask() == Mask::Columns) {
                pen.paint<Mask::Columns>(d->x, d->y, DotGrid::pixelOf(d->color));
            } else {
                pen.paint<Mask::Pixels>(d->x, d->y, DotGrid::pixelOf(d->color));
            }
        }
        apart.follow(forwards, c.maxX, c.maxY);
        const DotGrid::Forwards ahead(apart);
        for (auto d = begin; d != end; ++d)
            ahead.paint(d->x, d->y, DotGrid::pixelOf(d->color));
    }
    const std::size_t size = inOrder.stride() * static_cast<std::size_t>(inOrder.height());
    ASSERT_TRUE(std::equal(inOrder.bits(), inOrder.bits() + size, backwards.bits()));
    EXPECT_TRUE(backwards.dirty());
    EXPECT_TRUE(std::equal(inOrder.bits(), inOrder.bits() + size, forwards.bits()));
    EXPECT_EQ(grid.crowded(1000), c.crowded);
}

INSTANTIATE_TEST_SUITE_P(
    PensAndScales, Backwards,
    ::testing::Values(GridCase{"Square60", 223, 207, 2, 60, 60, 60, 60, false},
                      GridCase{"Square65", 223, 207, 2, 65, 65, 65, 65, false},
                      GridCase{"Square1000", 223, 207, 1, 1000, 1000, 1000, 1000, false},
                      GridCase{"Square100", 223, 207, 1, 100, 100, 100, 100, false},
                      GridCase{"SquareGrownBeyondItsScale", 223, 207, 3, 30, 30, 60, 60, false},
                      GridCase{"SquareOfTen", 223, 207, 20, 10, 10, 10, 10, true},
                      GridCase{"SizeZero", 223, 207, 20, 0, 0, 20, 20, true},
                      GridCase{"Chain", 447, 79, 2, 10000, 10, 10000, 9, false},
                      GridCase{"ChainOfOneUnit", 447, 79, 2, 0, 10, 0, 9, true},
                      GridCase{"OnePixelWide", 1, 5, 2, 3, 3, 3, 3, true}),
    [](const ::testing::TestParamInfo<GridCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace spinlab
