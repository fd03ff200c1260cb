// The cubic-lattice simulation on the headless backend: the set-up's order and limits, the three
// plane views, the 3 x 3 x 3 box, and the loop under the events a user can fire.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/runtime.h"
#include "ising3d/ising3d.h"
#include "ising3d/observables.h"
#include "ising3d/planeviews.h"
#include "testkit/headless_program.h"
#include "testkit/pictures.h"

namespace spinlab {
namespace {

using testing::HeadlessProgram;

const Color kBlue = QBColor(9);
const Color kWhite = QBColor(15);

// The colour at the centre pixel of dot (i, j) of a view scaled to n x n.
Color shownAt(const Surface& s, int i, int j, int n) {
    const int px = std::min(int(i * double(s.width()) / n), s.width() - 1);
    const int py = std::min(int(j * double(s.height()) / n), s.height() - 1);
    return s.pixel(px, py);
}

// What each view shows at dot (i, j), written from the views' layout: XY is the plane z = m at
// (x, y), YZ the plane x = m at (y, z), XZ the plane y = m at (x, z).
struct ViewLayout {
    const char* name;
    Surface View3DForm::*picture;
    int (*x)(int i, int j, int m);
    int (*y)(int i, int j, int m);
    int (*z)(int i, int j, int m);
};
const ViewLayout kViews[] = {
    {"XY", &View3DForm::PictureXY, [](int i, int, int) { return i; },
     [](int, int j, int) { return j; }, [](int, int, int m) { return m; }},
    {"YZ", &View3DForm::PictureYZ, [](int, int, int m) { return m; },
     [](int i, int, int) { return i; }, [](int, int j, int) { return j; }},
    {"XZ", &View3DForm::PictureXZ, [](int i, int, int) { return i; },
     [](int, int, int m) { return m; }, [](int, int j, int) { return j; }},
};

void expectViewsShowPlanes(HeadlessProgram& h, int n, int m) {
    View3DForm& view = h.program.n3DPicForm();
    for (const ViewLayout& v : kViews) {
        for (int i = 0; i <= n; ++i) {
            for (int j = 0; j <= n; ++j) {
                const int spin = h.state().Lattice3D.get(v.x(i, j, m), v.y(i, j, m), v.z(i, j, m));
                ASSERT_EQ(shownAt(view.*v.picture, i, j, n), spin == -1 ? kBlue : kWhite)
                    << v.name << " dot " << i << "," << j;
            }
        }
    }
}

// The dots of a view shown in blue.
std::vector<std::pair<int, int>> blueDots(const Surface& s, int n) {
    std::vector<std::pair<int, int>> dots;
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= n; ++j) {
            if (shownAt(s, i, j, n) == kBlue) dots.emplace_back(i, j);
        }
    }
    return dots;
}

void fillCube(CubicLattice& l, int n, int spin) {
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y) {
            for (int z = 0; z <= n; ++z)
                l.set(x, y, z, spin);
        }
    }
}

HeadlessProgram& cubicMode(HeadlessProgram& h, const char* size) {
    h.main().GridSize.setText(size);
    h.main().simulation3D.click();
    return h;
}

TEST(SetUp, FillsZThenXThenYWithOneFreshDrawPerSiteAndLeavesTheRestAlone) {
    HeadlessProgram h(42);
    CubicLattice& l = h.state().Lattice3D;
    l.set(61, 0, 0, -1);  // left by an earlier, larger run
    l.set(0, 61, 0, -1);
    l.set(0, 0, 61, -1);
    h.main().GridSize.setText("60");
    Rng expected = h.rng;
    InitLattice3D(h.program);
    for (int z = 0; z <= 60; ++z) {
        for (int x = 0; x <= 60; ++x) {
            for (int y = 0; y <= 60; ++y) {
                const int spin = expected.next24() < (1u << 23) ? -1 : 1;
                ASSERT_EQ(l.get(x, y, z), spin) << x << "," << y << "," << z;
            }
        }
    }
    EXPECT_EQ(l.get(61, 0, 0), -1);
    EXPECT_EQ(l.get(0, 61, 0), -1);
    EXPECT_EQ(l.get(0, 0, 61), -1);
}

TEST(SetUp, ErrorsThroughStartAreReportedAndChangeNothing) {
    struct Row {
        const char* size;
        const char* message;
    };
    const Row rows[] = {
        {"101", "Lattice Size 101 is above 100, the largest cubic lattice."},
        {"abc", "Lattice Size \"abc\" is not a number"},
        {"-3", "Lattice Size -3 is negative"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        HeadlessProgram h(5);
        cubicMode(h, row.size);
        View3DForm& view = h.program.n3DPicForm();
        constexpr Color kBlank = 0x123456;  // neither spin colour, so any dot would show
        for (const ViewLayout& v : kViews) {
            (view.*v.picture).setBackground(kBlank);
            (view.*v.picture).Cls();
        }
        h.start();
        ASSERT_EQ(h.backend.errors.size(), 1u);
        EXPECT_NE(h.backend.errors[0].find(row.message), std::string::npos) << h.backend.errors[0];
        const CubicLattice& l = h.state().Lattice3D;
        for (int x = 0; x <= 100; ++x) {
            for (int y = 0; y <= 100; ++y) {
                for (int z = 0; z <= 100; ++z)
                    ASSERT_EQ(*l.cell(x, y, z), 0) << x << "," << y << "," << z;
            }
        }
        for (const ViewLayout& v : kViews) {
            const Surface& s = view.*v.picture;
            EXPECT_TRUE(std::all_of(s.bits(), s.bits() + s.stride() * s.height(),
                                    [&](std::uint32_t p) { return Color(p & 0xFFFFFF) == kBlank; }))
                << v.name;
        }
        EXPECT_FALSE(h.state().Running);
        EXPECT_EQ(view.Label1.Caption(), "Label1");
    }
}

class ViewPenWidth : public ::testing::TestWithParam<std::pair<const char*, int>> {};

TEST_P(ViewPenWidth, FollowsTheLatticeSizeInAllThreeViews) {
    HeadlessProgram h;
    h.main().GridSize.setText(GetParam().first);
    ScaleViews3D(h.program);
    const float n = static_cast<float>(h.main().GridSize.cint());
    for (const ViewLayout& v : kViews) {
        const Surface& s = h.program.n3DPicForm().*v.picture;
        EXPECT_EQ(s.DrawWidth(), GetParam().second) << v.name;
        EXPECT_EQ(s.ScaleWidth(), n) << v.name;
        EXPECT_EQ(s.ScaleHeight(), n) << v.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Boundaries, ViewPenWidth,
                         ::testing::Values(std::pair{"-5", 20}, std::pair{"0", 20},
                                           std::pair{"10", 20}, std::pair{"11", 10},
                                           std::pair{"20", 10}, std::pair{"21", 3},
                                           std::pair{"40", 3}, std::pair{"41", 2},
                                           std::pair{"65", 2}, std::pair{"66", 1},
                                           std::pair{"100", 1}));

class MiddlePlane : public ::testing::TestWithParam<std::pair<int, int>> {};

// Only the site (m, m, m) is down, so each view shows exactly one blue dot, at (m, m).
TEST_P(MiddlePlane, TheViewsCutTheCubeThroughItsMiddleIndex) {
    const auto [n, m] = GetParam();
    EXPECT_EQ(middleIndex(n), m);
    HeadlessProgram h;
    h.main().GridSize.setText(std::to_string(n));
    fillCube(h.state().Lattice3D, n, 1);
    h.state().Lattice3D.set(m, m, m, -1);
    SetupViews3D(h.program);
    const std::vector<std::pair<int, int>> centre = {{m, m}};
    for (const ViewLayout& v : kViews) {
        EXPECT_EQ(blueDots(h.program.n3DPicForm().*v.picture, n), centre) << v.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, MiddlePlane,
                         ::testing::Values(std::pair{60, 30}, std::pair{61, 30}, std::pair{63, 32},
                                           std::pair{1, 0}, std::pair{2, 1}, std::pair{3, 2}));

TEST(Views, EachPictureShowsItsOwnPlaneAtItsOwnCoordinates) {
    HeadlessProgram h;
    CubicLattice& l = h.state().Lattice3D;
    fillCube(l, 60, 1);
    // The three sites that dot (5, 7) of XY, YZ and XZ stand for; no view shows two of them.
    l.set(5, 7, 30, -1);
    l.set(30, 5, 7, -1);
    l.set(5, 30, 7, -1);
    SetupViews3D(h.program);
    const std::vector<std::pair<int, int>> at57 = {{5, 7}};
    for (const ViewLayout& v : kViews)
        EXPECT_EQ(blueDots(h.program.n3DPicForm().*v.picture, 60), at57) << v.name;

    // A random cube, every dot.
    InitLattice3D(h.program);
    SetupViews3D(h.program);
    expectViewsShowPlanes(h, 60, 30);
}

// Reference sum, written independently of the loop: the clipped box without its centre.
int referenceSum(const CubicLattice& l, int x, int y, int z, int n) {
    int sum = 0;
    for (int i = std::max(x - 1, 0); i <= std::min(x + 1, n); ++i) {
        for (int j = std::max(y - 1, 0); j <= std::min(y + 1, n); ++j) {
            for (int k = std::max(z - 1, 0); k <= std::min(z + 1, n); ++k) {
                if (i != x || j != y || k != z) sum += l.get(x, y, z) * l.get(i, j, k);
            }
        }
    }
    return sum;
}

TEST(Box, CountsTwentySixSeventeenElevenAndSevenNeighbours) {
    HeadlessProgram h;
    CubicLattice& l = h.state().Lattice3D;
    const int n = 4;
    fillCube(l, n + 1, 1);  // the layer beyond N holds spins of an earlier run: it must not count
    struct Row {
        int x, y, z, neighbours;
    };
    const Row rows[] = {{2, 2, 2, 26}, {0, 2, 2, 17}, {2, 4, 2, 17}, {0, 0, 2, 11},
                        {4, 2, 4, 11}, {0, 0, 0, 7},  {4, 4, 4, 7},  {0, 4, 0, 7}};
    for (const Row& r : rows) {
        EXPECT_EQ(boxSum(l, r.x, r.y, r.z, n), r.neighbours) << r.x << "," << r.y << "," << r.z;
    }
    // All opposite to the centre: the flip lowers the energy by 2 x 26.
    l.set(2, 2, 2, -1);
    EXPECT_EQ(2 * boxSum(l, 2, 2, 2, n), -52);
    l.set(2, 2, 2, 1);
    EXPECT_EQ(2 * boxSum(l, 2, 2, 2, n), 52);
    // A single site has no neighbours.
    EXPECT_EQ(boxSum(l, 0, 0, 0, 0), 0);

    Rng fill = Rng::seeded(5);
    const int m = 6;
    for (int x = 0; x <= m + 1; ++x) {
        for (int y = 0; y <= m + 1; ++y) {
            for (int z = 0; z <= m + 1; ++z)
                l.set(x, y, z, fill.next24() & 1 ? 1 : -1);
        }
    }
    for (int x = 0; x <= m; ++x) {
        for (int y = 0; y <= m; ++y) {
            for (int z = 0; z <= m; ++z) {
                ASSERT_EQ(boxSum(l, x, y, z, m), referenceSum(l, x, y, z, m))
                    << x << "," << y << "," << z;
            }
        }
    }
}

TEST(Box, SitesOutsideTheArrayRaiseTheBoundsError) {
    HeadlessProgram h;
    const CubicLattice& l = h.state().Lattice3D;
    EXPECT_THROW(boxSum(l, 5, 101, 5, 120), BoundsError);
    EXPECT_THROW(boxSum(l, 5, 5, 100, 120), BoundsError);  // its box reaches 101
    EXPECT_THROW(boxSum(l, 0, 0, -1, -3), BoundsError);
    EXPECT_NO_THROW(boxSum(l, 100, 100, 100, 100));
}

TEST(Repaint, OnlyThePicturesWhosePlaneHoldsTheSite) {
    struct Row {
        int x, y, z;
        std::vector<std::pair<int, int>> xy, yz, xz;  // blue dots expected afterwards
    };
    const Row rows[] = {
        {12, 44, 7, {}, {}, {}},
        {30, 12, 44, {}, {{12, 44}}, {}},
        {30, 30, 7, {}, {{30, 7}}, {{30, 7}}},
        {12, 44, 30, {{12, 44}}, {}, {}},
        {30, 7, 30, {{30, 7}}, {{7, 30}}, {}},
        {30, 30, 30, {{30, 30}}, {{30, 30}}, {{30, 30}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.x << "," << r.y << "," << r.z);
        HeadlessProgram h;
        fillCube(h.state().Lattice3D, 60, 1);
        SetupViews3D(h.program);
        View3DForm& view = h.program.n3DPicForm();
        repaintSite(view, r.x, r.y, r.z, kBlue);
        EXPECT_EQ(blueDots(view.PictureXY, 60), r.xy);
        EXPECT_EQ(blueDots(view.PictureYZ, 60), r.yz);
        EXPECT_EQ(blueDots(view.PictureXZ, 60), r.xz);
    }
}

struct LoopRow {
    const char* size;
    const char* editTo;  // GridSize typed during the run; empty: none
    int n, m;            // the set-up's size and middle index
};

class LoopRepaints : public ::testing::TestWithParam<LoopRow> {};

// With T below -0.5 Metropolis takes every move, so thousands of flips land in the planes.
TEST_P(LoopRepaints, KeepEveryViewEqualToItsPlane) {
    const LoopRow& row = GetParam();
    HeadlessProgram h(17);
    cubicMode(h, row.size);
    h.main().Temp.setText("-1");
    if (*row.editTo) h.pump.after(10, [&] { h.main().GridSize.setText(row.editTo); });
    h.stopAfter(40000);
    h.start();
    EXPECT_TRUE(h.backend.errors.empty());
    EXPECT_EQ(h.program.n3DPicForm().Label1.Caption(), "40000");
    EXPECT_EQ(h.main().Label1.Caption(), "");
    expectViewsShowPlanes(h, row.n, row.m);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LoopRepaints,
                         ::testing::Values(LoopRow{"60", "", 60, 30}, LoopRow{"61", "", 61, 30},
                                           LoopRow{"60", "40", 60, 30}),
                         [](const ::testing::TestParamInfo<LoopRow>& info) {
                             std::string name = std::string("Size") + info.param.size;
                             if (*info.param.editTo)
                                 name += std::string("EditedTo") + info.param.editTo;
                             return name;
                         });

TEST(Loop, SizeZeroFlipsTheOneSiteAndRepaintsItInEveryView) {
    HeadlessProgram h(2);
    cubicMode(h, "0");
    int flips = 0, last = 0;
    h.pump.everyCall([&] {
        const int now = h.state().Lattice3D.get(0, 0, 0);
        if (last != 0 && now != last) ++flips;
        last = now;
    });
    h.stopAfter(1001);
    h.start();
    EXPECT_EQ(flips, 1000);  // dE is always 0, which Metropolis always takes
    const Color shown = h.state().Lattice3D.get(0, 0, 0) == -1 ? kBlue : kWhite;
    for (const ViewLayout& v : kViews)
        EXPECT_EQ((h.program.n3DPicForm().*v.picture).pixel(0, 0), shown) << v.name;
    EXPECT_EQ(h.state().Lattice3D.get(1, 0, 0), 0);
}

// Sites beyond a cube of size 0 have no place in its views; they must not land on its dots.
TEST(Loop, ACubeOfSizeZeroGrownDuringTheRunKeepsItsOneDotPerView) {
    HeadlessProgram h(3);
    cubicMode(h, "0");
    h.main().Temp.setText("-1");
    h.pump.after(5, [&] { h.main().GridSize.setText("20"); });
    h.stopAfter(4000);
    h.start();
    EXPECT_EQ(testing::cubicViewsMismatch(h.program), "");
}

// Every cell of 0..n and every pixel of the three views.
std::pair<std::vector<int>, std::vector<std::uint32_t>> snapshot(HeadlessProgram& h, int n) {
    std::pair<std::vector<int>, std::vector<std::uint32_t>> all;
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y) {
            for (int z = 0; z <= n; ++z)
                all.first.push_back(h.state().Lattice3D.get(x, y, z));
        }
    }
    for (const ViewLayout& v : kViews) {
        const Surface& s = h.program.n3DPicForm().*v.picture;
        all.second.insert(all.second.end(), s.bits(), s.bits() + s.stride() * s.height());
    }
    return all;
}

TEST(Loop, RejectedTrialsChangeNothingButTheCount) {
    HeadlessProgram h(4);
    cubicMode(h, "20");
    h.main().Metropolis.setValue(false);  // no decision: every trial counts as rejected
    std::pair<std::vector<int>, std::vector<std::uint32_t>> before;
    h.pump.after(1, [&] { before = snapshot(h, 20); });
    h.stopAfter(30000);
    h.start();
    EXPECT_TRUE(snapshot(h, 20) == before);
    EXPECT_EQ(h.program.n3DPicForm().Label1.Caption(), "30000");
    h.stopAfter(3);
    h.start();
    EXPECT_EQ(h.program.n3DPicForm().Label1.Caption(), "3");  // a new Start counts from 1
}

TEST(Nesting, ASquareRunInsideACubicRunEndsWithoutError) {
    HeadlessProgram h(23);
    cubicMode(h, "0");  // every accepted flip lies in all three planes
    h.pump.after(5, [&] {
        h.main().IsingModelItem.click();
        h.main().GridSize.setText("1000");
        h.start();
    });
    h.stopAfter(5 + 200);
    h.start();
    ASSERT_GT(std::max(h.state().SiteX, h.state().SiteY), 100);
    EXPECT_TRUE(h.backend.errors.empty()) << h.backend.errors.front();
    EXPECT_EQ(h.program.n3DPicForm().Label1.Caption(), "5");
    EXPECT_EQ(h.app.commands().activeRuns(), 0);
}

TEST(Observables, EnergyAndMagnetizationOfSimpleStates) {
    HeadlessProgram h;
    CubicLattice& l = h.state().Lattice3D;
    fillCube(l, 2, 1);
    // 2 x 2 x 2 sites: every one of the 28 pairs lies in one box.
    EXPECT_EQ(cubicEnergy(l, 1), -28);
    EXPECT_EQ(cubicMagnetization(l, 1), 8);
    // 3 x 3 x 3 sites: (26 + 6 x 17 + 12 x 11 + 8 x 7) / 2 = 158 pairs.
    EXPECT_EQ(cubicEnergy(l, 2), -158);
    l.set(1, 1, 1, -1);
    EXPECT_EQ(cubicEnergy(l, 2), -158 + 2 * 26);
    EXPECT_EQ(cubicMagnetization(l, 2), 25);
    l.set(3, 0, 0, -1);  // beyond N: ignored
    EXPECT_EQ(cubicMagnetization(l, 2), 25);
    EXPECT_EQ(cubicEnergy(l, 0), 0);
    EXPECT_EQ(cubicEnergy(l, -1), 0);
}

}  // namespace
}  // namespace spinlab
