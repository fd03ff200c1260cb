// A Start pressed during a run of another simulation: when Stop ends both runs, every picture
// still shows its simulation's state, the interrupted run's last accepted move included.

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include "testkit/headless_program.h"
#include "testkit/pictures.h"

namespace spinlab {
namespace {

using testing::HeadlessProgram;

enum class Mode { Square, Cubic, Chain };

void choose(HeadlessProgram& h, Mode mode) {
    MainForm& form = h.main();
    if (mode == Mode::Square && !form.IsingModelItem.Checked()) form.IsingModelItem.click();
    if (mode == Mode::Cubic && !form.simulation3D.Checked()) form.simulation3D.click();
    if (mode == Mode::Chain && !form.PolymerChain.Checked()) form.PolymerChain.click();
}

struct Pair {
    const char* name;
    Mode outer;
    Mode inner;
};

void PrintTo(const Pair& pair, std::ostream* out) {
    *out << pair.name;
}

class CrossNesting : public ::testing::TestWithParam<Pair> {};

TEST_P(CrossNesting, EveryPictureShowsItsStateWhenBothRunsEnd) {
    const Pair pair = GetParam();
    HeadlessProgram h(31);
    h.main().GridSize.setText("3");
    h.main().Temp.setText("-1");  // every move taken, the interrupted one included
    for (Mode mode : {Mode::Square, Mode::Cubic, Mode::Chain}) {
        choose(h, mode);
        h.stopAfter(20);
        h.start();
    }
    // Each round interrupts a move of the outer run with a whole run of the inner simulation.
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        choose(h, pair.outer);
        h.pump.after(7, [&] {
            choose(h, pair.inner);
            h.start();
        });
        h.stopAfter(7 + 5);
        h.start();
        ASSERT_TRUE(h.backend.errors.empty()) << h.backend.errors.front();
        ASSERT_EQ(h.app.commands().activeRuns(), 0);
        EXPECT_EQ(testing::squarePictureMismatch(h.program), "");
        EXPECT_EQ(testing::cubicViewsMismatch(h.program), "");
        EXPECT_EQ(testing::chainPictureMismatch(h.program), "");
    }
}

INSTANTIATE_TEST_SUITE_P(EveryOtherSimulation, CrossNesting,
                         ::testing::Values(Pair{"CubicInSquare", Mode::Square, Mode::Cubic},
                                           Pair{"ChainInSquare", Mode::Square, Mode::Chain},
                                           Pair{"SquareInCubic", Mode::Cubic, Mode::Square},
                                           Pair{"ChainInCubic", Mode::Cubic, Mode::Chain},
                                           Pair{"SquareInChain", Mode::Chain, Mode::Square},
                                           Pair{"CubicInChain", Mode::Chain, Mode::Cubic}),
                         [](const ::testing::TestParamInfo<Pair>& info) {
                             return std::string(info.param.name);
                         });

// A square run nested in a chain run fails when its size is typed negative: its last site is
// then a negative index, which is no unit of the chain. The chain run goes on to the Stop.
TEST(CrossNesting, ASquareRunThatFailsInsideAChainRunLeavesTheChainRunGoing) {
    HeadlessProgram h(8);
    h.main().Temp.setText("-1");
    choose(h, Mode::Chain);
    h.pump.after(7, [&] {
        choose(h, Mode::Square);
        h.main().GridSize.setText("20");
        h.pump.after(3, [&] { h.main().GridSize.setText("-1000"); });
        h.start();
    });
    h.stopAfter(100);
    h.start();
    ASSERT_EQ(h.backend.errors.size(), 1u);
    EXPECT_NE(h.backend.errors[0].find("Lattice Size -1000 is negative"), std::string::npos)
        << h.backend.errors[0];
    EXPECT_GT(std::stoi(h.main().Label1.Caption()), 7);  // the chain's count, past the nesting
    EXPECT_EQ(testing::chainPictureMismatch(h.program), "");
}

// The run stack names the innermost run while it goes on, counts only Starts that began a run
// (not one refused for its input) and is empty again once every run has ended, by Stop or by an
// error.
TEST(RunStack, FollowsTheInnermostRunAndEmptiesWhenTheRunsEnd) {
    HeadlessProgram h(5);
    h.main().GridSize.setText("4");
    std::vector<std::pair<RunKind, std::size_t>> seen;
    auto look = [&] {
        const RunRecord* run = h.program.runs().innermost();
        ASSERT_NE(run, nullptr);
        seen.emplace_back(run->kind, h.program.runs().depth());
    };
    h.pump.after(3, look);
    h.pump.after(5, [&] {
        choose(h, Mode::Cubic);
        h.pump.after(2, look);
        h.start();
    });
    h.stopAfter(20);
    h.start();
    EXPECT_EQ(seen, (std::vector<std::pair<RunKind, std::size_t>>{{RunKind::Square, 1},
                                                                  {RunKind::Cubic, 2}}));
    EXPECT_TRUE(h.program.runs().empty());
    EXPECT_EQ(h.program.runs().started(), 2u);

    h.main().GridSize.setText("abc");
    h.start();
    EXPECT_EQ(h.program.runs().started(), 2u);
    h.main().GridSize.setText("4");
    h.pump.after(2, [&] { h.main().Temp.setText("abc"); });
    h.start();
    EXPECT_EQ(h.backend.errors.size(), 2u);
    EXPECT_TRUE(h.program.runs().empty());
    EXPECT_EQ(h.program.runs().started(), 3u);
}

// Every loop counts its accepted moves: all of them at a negative temperature under Metropolis,
// none with no dynamics chosen.
TEST(RunningTotals, CountEveryAcceptedMove) {
    for (Mode mode : {Mode::Square, Mode::Cubic, Mode::Chain}) {
        HeadlessProgram h(3);
        h.main().GridSize.setText("5");
        choose(h, mode);
        h.main().Temp.setText("-1");
        h.stopAfter(40);
        h.start();
        h.main().Metropolis.setValue(false);
        h.stopAfter(25);
        h.start();
        EXPECT_EQ(h.state().drift.accepted, 40) << static_cast<int>(mode);
    }
}

}  // namespace
}  // namespace spinlab
