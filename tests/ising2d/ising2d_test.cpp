// The square-lattice simulation on the headless backend: set-up, the loop's physics and its
// behaviour under the events a user can fire during a run.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "core/runtime.h"
#include "ising2d/ising2d.h"
#include "ising2d/observables.h"
#include "testkit/headless_program.h"
#include "testkit/pictures.h"

namespace spinlab {
namespace {

using testing::HeadlessProgram;

// The colour shown at the centre pixel of site (x, y)'s dot.
Color shownAt(const Surface& s, int x, int y) {
    const double px = x * double(s.width()) / s.ScaleWidth();
    const double py = y * double(s.height()) / s.ScaleHeight();
    return s.pixel(std::min(int(px), s.width() - 1), std::min(int(py), s.height() - 1));
}

void expectPictureMatchesLattice(HeadlessProgram& h, int n) {
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y) {
            const Color want = h.state().Lattice2D.get(x, y) == -1 ? QBColor(9) : QBColor(15);
            ASSERT_EQ(shownAt(h.main().Picture1, x, y), want) << "site " << x << "," << y;
        }
    }
}

// Reference sum, written independently of the loop: the clipped 3 x 3 block without its centre.
int referenceSum(const SquareLattice& l, int x, int y, int n) {
    int sum = 0;
    for (int i = std::max(x - 1, 0); i <= std::min(x + 1, n); ++i) {
        for (int j = std::max(y - 1, 0); j <= std::min(y + 1, n); ++j) {
            if (i != x || j != y) sum += l.get(x, y) * l.get(i, j);
        }
    }
    return sum;
}

class PenWidth : public ::testing::TestWithParam<std::pair<const char*, int>> {};

TEST_P(PenWidth, FollowsTheLatticeSize) {
    HeadlessProgram h;
    h.main().GridSize.setText(GetParam().first);
    SetupPicture2D(h.program);
    EXPECT_EQ(h.main().Picture1.DrawWidth(), GetParam().second);
    const float n = static_cast<float>(h.main().GridSize.cint());
    EXPECT_EQ(h.main().Picture1.ScaleWidth(), n);
    EXPECT_EQ(h.main().Picture1.ScaleHeight(), n);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, PenWidth,
                         ::testing::Values(std::pair{"-5", 20}, std::pair{"0", 20},
                                           std::pair{"1", 20}, std::pair{"10", 20},
                                           std::pair{"11", 10}, std::pair{"20", 10},
                                           std::pair{"21", 3}, std::pair{"40", 3},
                                           std::pair{"41", 2}, std::pair{"60", 2},
                                           std::pair{"65", 2}, std::pair{"66", 1},
                                           std::pair{"1000", 1}, std::pair{"10.5", 20}));

TEST(SetUp, FillsColumnByColumnWithOneFreshDrawPerSiteAndPaintsEach) {
    HeadlessProgram h(42);
    h.main().GridSize.setText("60");
    Rng expected = h.rng;  // the same draws, taken in the documented order
    h.main().Picture1.Cls();
    SetupPicture2D(h.program);
    InitLattice2D(h.program);
    for (int x = 0; x <= 60; ++x) {
        for (int y = 0; y <= 60; ++y) {
            const int spin = expected.next24() < (1u << 23) ? -1 : 1;
            ASSERT_EQ(h.state().Lattice2D.get(x, y), spin) << x << "," << y;
        }
    }
    EXPECT_EQ(h.state().Lattice2D.get(61, 0), 0);
    expectPictureMatchesLattice(h, 60);
}

TEST(SetUp, SizeAboveTheArrayFailsAtTheFirstColumnsEnd) {
    HeadlessProgram h(3);
    h.main().GridSize.setText("1001");
    Rng expected = h.rng;
    h.main().Picture1.Cls();
    SetupPicture2D(h.program);
    try {
        InitLattice2D(h.program);
        FAIL() << "expected the bounds error";
    } catch (const BoundsError& e) {
        EXPECT_EQ(e.index(), 1001);
    }
    for (int y = 0; y <= 1000; ++y)
        ASSERT_NE(h.state().Lattice2D.get(0, y), 0);
    EXPECT_EQ(h.state().Lattice2D.get(1, 0), 0);
    // The 1002nd draw, for (0, 1001), was painted before the failure: on the bottom edge it
    // covers the dot of (0, 1000) in the last row.
    for (int i = 0; i < 1001; ++i)
        expected.next24();
    const Color last = expected.next24() < (1u << 23) ? QBColor(9) : QBColor(15);
    const Surface& pic = h.main().Picture1;
    EXPECT_EQ(pic.pixel(0, pic.height() - 1), last);
}

TEST(SetUp, ErrorsThroughStartAreReportedAndNoRunBegins) {
    struct Row {
        const char* size;
        const char* message;
    };
    const Row rows[] = {
        {"abc", "Lattice Size \"abc\" is not a number"},
        {"", "Lattice Size is empty"},
        {"40000", "Lattice Size \"40000\" is above 1000, the largest lattice"},
        {"1200", "Lattice Size 1200 is above 1000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        HeadlessProgram h;
        h.main().GridSize.setText(row.size);
        h.start();
        ASSERT_EQ(h.backend.errors.size(), 1u);
        EXPECT_NE(h.backend.errors[0].find(row.message), std::string::npos) << h.backend.errors[0];
        EXPECT_FALSE(h.state().Running);
        EXPECT_EQ(h.main().Label1.Caption(), "");
    }
}

TEST(Neighbourhood, ClipsAtTheEdgesWithoutWrapping) {
    HeadlessProgram h(9);
    SquareLattice& l = h.state().Lattice2D;
    const int n = 6;
    // Mark the far side of each edge, where a wrap-around would reach.
    Rng fill = Rng::seeded(5);
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y)
            l.set(x, y, fill.next24() & 1 ? 1 : -1);
    }
    // Cells just beyond N hold spins from an earlier, larger run: they must not count.
    for (int i = 0; i <= n + 1; ++i) {
        l.set(n + 1, i, 1);
        l.set(i, n + 1, 1);
    }
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y) {
            ASSERT_EQ(siteSum(l, x, y, n), referenceSum(l, x, y, n)) << x << "," << y;
        }
    }
    // Corner, edge and inside counts with all spins equal.
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y)
            l.set(x, y, 1);
    }
    EXPECT_EQ(siteSum(l, 0, 0, n), 3);
    EXPECT_EQ(siteSum(l, n, n, n), 3);
    EXPECT_EQ(siteSum(l, 0, 3, n), 5);
    EXPECT_EQ(siteSum(l, 3, n, n), 5);
    EXPECT_EQ(siteSum(l, 3, 3, n), 8);
    l.set(3, 3, -1);
    EXPECT_EQ(siteSum(l, 3, 3, n), -8);
}

TEST(Neighbourhood, OutOfRangeSitesRaiseTheBoundsError) {
    HeadlessProgram h;
    const SquareLattice& l = h.state().Lattice2D;
    EXPECT_THROW(siteSum(l, 1001, 5, 1200), BoundsError);
    EXPECT_THROW(siteSum(l, 1000, 5, 1200), BoundsError);  // its block reaches column 1001
    EXPECT_THROW(siteSum(l, -1, 0, -3), BoundsError);
    EXPECT_NO_THROW(siteSum(l, 1000, 1000, 1000));
}

TEST(Loop, EveryTrialFlipsWhenMetropolisRunsBelowMinusAHalf) {
    HeadlessProgram h(11);
    h.main().Temp.setText("-1");  // q >= 1: every move is taken
    h.stopAfter(5000);
    h.start();
    EXPECT_EQ(h.main().Label1.Caption(), "5000");
    EXPECT_FALSE(h.state().Running);
    expectPictureMatchesLattice(h, 60);
}

// Counts the trials in which site (0, 0) changed, watching from inside each DoEvents.
int flipsOfTheOnlySite(HeadlessProgram& h, std::uint64_t trials) {
    int flips = 0;
    int last = 0;
    h.pump.everyCall([&] {
        const int now = h.state().Lattice2D.get(0, 0);
        if (last != 0 && now != last) ++flips;
        last = now;
    });
    h.stopAfter(trials);
    h.start();
    return flips;
}

TEST(Loop, SizeZeroTriesTheOneSiteEveryTrial) {
    HeadlessProgram m(2);
    m.main().GridSize.setText("0");
    // dE is always 0, which Metropolis always takes.
    EXPECT_EQ(flipsOfTheOnlySite(m, 1001), 1000);
    EXPECT_EQ(m.main().Picture1.DrawWidth(), 20);

    HeadlessProgram g(2);
    g.main().GridSize.setText("0");
    g.main().Glauber.setValue(true);
    const int flips = flipsOfTheOnlySite(g, 4001);
    EXPECT_GT(flips, 1800);  // about every other trial
    EXPECT_LT(flips, 2200);
}

TEST(Loop, NeitherDynamicsCountsButNeverFlips) {
    HeadlessProgram h(4);
    h.main().Metropolis.setValue(false);
    h.main().Picture1.Cls();
    SetupPicture2D(h.program);
    InitLattice2D(h.program);
    const auto energy = squareEnergy(h.state().Lattice2D, 60);
    const auto magnet = squareMagnetization(h.state().Lattice2D, 60);
    h.state().Running = true;
    h.stopAfter(20000);
    Run2D(h.program);
    EXPECT_EQ(h.main().Label1.Caption(), "20000");
    EXPECT_EQ(squareEnergy(h.state().Lattice2D, 60), energy);
    EXPECT_EQ(squareMagnetization(h.state().Lattice2D, 60), magnet);
}

TEST(Loop, StopCompletesTheTrialUnderWayAndTheCountRestarts) {
    HeadlessProgram h(8);
    h.main().Temp.setText("-1");
    h.stopAfter(777);
    h.start();
    EXPECT_EQ(h.main().Label1.Caption(), "777");
    expectPictureMatchesLattice(h, 60);
    h.stopAfter(3);
    h.start();
    EXPECT_EQ(h.main().Label1.Caption(), "3");
}

// Magnetisation seen from inside each trial's DoEvents, trial by trial.
std::vector<std::int64_t> magnetizationTrace(HeadlessProgram& h, std::uint64_t trials) {
    std::vector<std::int64_t> trace;
    h.pump.everyCall([&] { trace.push_back(squareMagnetization(h.state().Lattice2D, 60)); });
    h.stopAfter(trials);
    h.start();
    return trace;
}

TEST(Loop, TemperatureEditTakesEffectAtTheNextTrial) {
    HeadlessProgram h(6);
    // From trial 101 on, T = -1 makes Metropolis take every move.
    h.pump.after(100, [&] { h.main().Temp.setText("-1"); });
    const auto trace = magnetizationTrace(h, 200);
    ASSERT_EQ(trace.size(), 200u);
    int unchanged = 0;
    for (std::size_t t = 1; t < 100; ++t)
        unchanged += trace[t] == trace[t - 1];
    EXPECT_GT(unchanged, 0);  // the ordered lattice at 2.2619 refuses some moves
    for (std::size_t t = 100; t < 200; ++t) {
        ASSERT_EQ(std::abs(trace[t] - trace[t - 1]), 2) << "trial " << t + 1;
    }
}

TEST(Loop, DynamicsSwitchTakesEffectAtTheNextTrial) {
    HeadlessProgram h(7);
    h.main().Temp.setText("-1");
    h.pump.after(100, [&] { h.main().Metropolis.setValue(false); });
    const auto trace = magnetizationTrace(h, 200);
    EXPECT_NE(trace[99], trace[98]);  // trial 100 still flipped
    for (std::size_t t = 100; t < 200; ++t)
        ASSERT_EQ(trace[t], trace[99]) << "trial " << t + 1;
    EXPECT_EQ(h.main().Label1.Caption(), "200");
}

TEST(Loop, ABadTemperatureEndsTheRunAtTheNextTrial) {
    HeadlessProgram h;
    h.pump.after(50, [&] { h.main().Temp.setText("warm"); });
    h.start();
    ASSERT_EQ(h.backend.errors.size(), 1u);
    EXPECT_NE(h.backend.errors[0].find("Temp \"warm\" is not a number"), std::string::npos);
    EXPECT_EQ(h.main().Label1.Caption(), "50");
    // The run flag stays as the error left it, until the next Start or Stop.
    EXPECT_TRUE(h.state().Running);
}

TEST(Loop, GrowingTheLatticeDuringARunReachesUnfilledCells) {
    HeadlessProgram h(12);
    h.main().GridSize.setText("20");
    h.main().Temp.setText("-1");
    h.pump.after(10, [&] { h.main().GridSize.setText("40"); });
    h.stopAfter(20000);
    h.start();
    // Sites beyond 20 were drawn and flipped from 0 to +1 or on; the picture kept its scale.
    int set = 0;
    for (int x = 21; x <= 40; ++x) {
        for (int y = 0; y <= 40; ++y)
            set += h.state().Lattice2D.get(x, y) != 0;
    }
    EXPECT_GT(set, 300);
    EXPECT_EQ(h.main().Picture1.ScaleWidth(), 20.0f);
    EXPECT_EQ(h.state().Lattice2D.get(41, 0), 0);
}

// Sites beyond a lattice of size 0 have no place on its picture; they must not land on its dot.
TEST(Loop, ALatticeOfSizeZeroGrownDuringTheRunKeepsItsOneDot) {
    HeadlessProgram h(3);
    h.main().GridSize.setText("0");
    h.main().Temp.setText("-1");
    h.pump.after(5, [&] { h.main().GridSize.setText("20"); });
    h.stopAfter(2000);
    h.start();
    EXPECT_EQ(testing::squarePictureMismatch(h.program), "");
}

TEST(Loop, ShrinkingToNegativeOrBeyondTheArrayRaisesTheBoundsError) {
    for (const char* text : {"-4", "1200"}) {
        SCOPED_TRACE(text);
        HeadlessProgram h(13);
        h.pump.after(10, [&, text] { h.main().GridSize.setText(text); });
        h.pump.after(100000, [&] { h.main().Command2.click(); });
        h.start();
        ASSERT_EQ(h.backend.errors.size(), 1u);
        EXPECT_NE(h.backend.errors[0].find("Lattice Size"), std::string::npos);
    }
}

TEST(Nesting, SecondStartRunsANewRunInsideTheFirstAndOneStopEndsBoth) {
    HeadlessProgram h(21);
    int deepest = 0;
    h.pump.everyCall([&] { deepest = std::max(deepest, h.app.commands().activeRuns()); });
    h.pump.after(30, [&] { h.start(); });  // nested: returns only when the inner run ends
    h.stopAfter(130);
    h.start();
    EXPECT_EQ(deepest, 2);
    EXPECT_EQ(h.app.commands().activeRuns(), 0);
    // The outer run's last trial wrote its own count after the inner run ended.
    EXPECT_EQ(h.main().Label1.Caption(), "30");
    expectPictureMatchesLattice(h, 60);
}

TEST(Nesting, RunsDeeperThanSixteenAreRefused) {
    HeadlessProgram h(22);
    h.main().GridSize.setText("5");
    int deepest = 0;
    int presses = 0;
    h.pump.everyCall([&] {
        deepest = std::max(deepest, h.app.commands().activeRuns());
        if (presses < 1000) {
            ++presses;
            h.start();
        } else {
            h.main().Command2.click();
        }
    });
    h.start();
    EXPECT_EQ(deepest, 16);
    EXPECT_EQ(h.app.commands().activeRuns(), 0);
    EXPECT_FALSE(h.state().Running);
}

TEST(Observables, EnergyAndMagnetizationOfSimpleStates) {
    HeadlessProgram h;
    SquareLattice& l = h.state().Lattice2D;
    for (int x = 0; x <= 2; ++x) {
        for (int y = 0; y <= 2; ++y)
            l.set(x, y, 1);
    }
    // 3 x 3 sites: 12 straight and 8 diagonal pairs.
    EXPECT_EQ(squareEnergy(l, 2), -20);
    EXPECT_EQ(squareMagnetization(l, 2), 9);
    l.set(1, 1, -1);
    EXPECT_EQ(squareEnergy(l, 2), -20 + 2 * 8);
    EXPECT_EQ(squareMagnetization(l, 2), 7);
    l.set(3, 0, -1);  // beyond N: ignored
    EXPECT_EQ(squareEnergy(l, 2), -4);
}

}  // namespace
}  // namespace spinlab

namespace spinlab {
namespace {

TEST(Nesting, ANestedChainRunLeavingAUnitBeyondTheLatticeEndsCleanly) {
    testing::HeadlessProgram h(23);
    h.main().Temp.setText("-1");  // every move is taken, so the outer trial repaints
    h.pump.after(40, [&] {
        h.main().PolymerChain.click();
        h.program.PolymerWindow().Iterations.setText("10000");
        h.pump.after(500, [&] {
            // The nested chain run's last unit lies beyond the square lattice.
            h.state().SiteX = 9000;
            h.main().Command2.click();
        });
        h.start();
    });
    h.start();
    EXPECT_TRUE(h.backend.errors.empty()) << h.backend.errors.front();
    EXPECT_EQ(h.main().Label1.Caption(), "40");
    EXPECT_EQ(h.app.commands().activeRuns(), 0);
}

}  // namespace
}  // namespace spinlab

namespace spinlab {
namespace {

// Cluster moves paint every site they flip and keep the totals; at a temperature near 0 every
// bond holds, so a uniform lattice of all 1001 x 1001 sites flips as one cluster.
TEST(ClusterMoves, PaintEveryFlipAndFlipAWholeUniformLatticeAtOnce) {
    HeadlessProgram h(5);
    h.state().model.coupling = Coupling::Nearest;
    h.state().model.edges = Edges::Periodic;
    h.state().model.cluster = true;
    h.main().Temp.setText("2.269");
    h.stopAfter(300);
    h.start();
    EXPECT_EQ(h.main().Label1.Caption(), "300");
    expectPictureMatchesLattice(h, 60);

    HeadlessProgram big(6);
    big.main().GridSize.setText("1000");
    big.main().Temp.setText("0.001");
    big.state().model.cluster = true;
    std::int64_t before = 0;
    big.pump.after(1, [&] {
        for (int x = 0; x <= 1000; ++x)
            for (int y = 0; y <= 1000; ++y)
                big.state().Lattice2D.set(x, y, 1);
        before = big.state().drift.accepted;
    });
    big.stopAfter(2);
    big.start();
    EXPECT_EQ(big.state().drift.accepted - before, 1001 * 1001);
    EXPECT_EQ(squareMagnetization(big.state().Lattice2D, 1000), -1001 * 1001);
}

}  // namespace
}  // namespace spinlab
