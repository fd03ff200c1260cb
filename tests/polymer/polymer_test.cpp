// The polymer chain on the headless backend: set-up, the plot, the energy of a move, the loop's
// physics against exact enumeration, and what the user sees while a run goes on and after it.

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <ostream>
#include <vector>

#include "core/runtime.h"
#include "polymer/observables.h"
#include "polymer/polymer.h"
#include "testkit/headless_program.h"

namespace spinlab {
namespace {

using testing::HeadlessProgram;

// A program in the polymer mode with the given chain length typed in.
struct ChainProgram : HeadlessProgram {
    ChainProgram(std::uint64_t seed, const char* units) : HeadlessProgram(seed) {
        main().PolymerChain.click();
        form().Iterations.setText(units);
        // A grey window background (the headless one is white), so white dots can be told apart.
        form().Picture1.setBackground(0xC0C0C0);
    }
    PolymerForm& form() { return program.PolymerWindow(); }
    Chain& chain() { return state().ChainState; }
};

// Pixel row of the dot of state s, and column of unit i, on a surface scaled to n x 10.
int rowOf(const Surface& s, int state) {
    return static_cast<int>(state * s.height() / 10.0);
}
int columnOf(const Surface& s, int i, int n) {
    return n == 0 ? 0 : std::min(static_cast<int>(i * s.width() / double(n)), s.width() - 1);
}

// Every unit shows exactly one white dot, at its own state (units are far apart for small n).
void expectPictureMatchesChain(ChainProgram& h, int n) {
    const Surface& pic = h.form().Picture1;
    for (int i = 0; i <= n; ++i) {
        for (int s = 1; s <= 9; ++s) {
            const bool white = pic.pixel(columnOf(pic, i, n), rowOf(pic, s)) == QBColor(15);
            ASSERT_EQ(white, h.chain().get(i) == s) << "unit " << i << ", state " << s;
        }
    }
}

struct SetUpRow {
    const char* text;
    int unitsSet;
    enum { None, Bounds, Conversion } error;
};

void PrintTo(const SetUpRow& row, std::ostream* out) {
    *out << '"' << row.text << '"';
}

class SetUp : public ::testing::TestWithParam<SetUpRow> {};

TEST_P(SetUp, SetsUnitsZeroToTheRoundedLength) {
    const SetUpRow row = GetParam();
    ChainProgram h(5, row.text);
    switch (row.error) {
        case SetUpRow::None:
            EXPECT_NO_THROW(InitChain(h.program));
            break;
        case SetUpRow::Bounds:
            EXPECT_THROW(InitChain(h.program), BoundsError);
            break;
        case SetUpRow::Conversion:
            EXPECT_THROW(InitChain(h.program), ConversionError);
            break;
    }
    for (int i = 0; i < row.unitsSet; ++i) {
        const int s = h.chain().get(i);
        ASSERT_TRUE(s >= 1 && s <= 9) << "unit " << i << " holds " << s;
    }
    if (row.unitsSet <= Chain::kMax) {
        EXPECT_EQ(h.chain().get(row.unitsSet), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, SetUp,
    ::testing::Values(SetUpRow{"10", 11, SetUpRow::None}, SetUpRow{"0", 1, SetUpRow::None},
                      SetUpRow{"2.5", 3, SetUpRow::None}, SetUpRow{"3.5", 5, SetUpRow::None},
                      SetUpRow{"10000", 10001, SetUpRow::None},
                      SetUpRow{"10001", 10001, SetUpRow::Bounds}, SetUpRow{"-3", 0, SetUpRow::None},
                      SetUpRow{"", 0, SetUpRow::Conversion},
                      SetUpRow{"chain", 0, SetUpRow::Conversion}));

// Share of each state 1..9 among `samples`; 0 and 10 must never appear.
void expectRoundedDistribution(const std::vector<int>& samples) {
    std::vector<int> count(11, 0);
    for (int s : samples) {
        ASSERT_TRUE(s >= 1 && s <= 9) << s;
        ++count[static_cast<std::size_t>(s)];
    }
    const double total = static_cast<double>(samples.size());
    for (int s = 1; s <= 9; ++s) {
        // Round(8r) gives 0 and 8 from half-width intervals.
        const double p = (s == 1 || s == 9) ? 1.0 / 16 : 1.0 / 8;
        const double sd = std::sqrt(total * p * (1 - p));
        EXPECT_NEAR(count[static_cast<std::size_t>(s)], total * p, 5 * sd) << "state " << s;
    }
}

TEST(Draws, SetUpStatesAreOneToNineWithTheEndStatesHalfAsLikely) {
    ChainProgram h(6, "10000");
    std::vector<int> samples;
    for (int round = 0; round < 5; ++round) {
        InitChain(h.program);
        for (int i = 0; i <= 10000; ++i)
            samples.push_back(h.chain().get(i));
    }
    expectRoundedDistribution(samples);
}

TEST(Draws, LoopPicksEndUnitsAndEndStatesHalfAsOften) {
    // At T = -1 Metropolis takes every move, so each pass stores its proposal.
    ChainProgram h(7, "4");
    h.main().Temp.setText("-1");
    std::vector<int> units(5, 0);
    std::vector<int> proposals;
    h.pump.everyCall([&] {
        ++units[static_cast<std::size_t>(h.state().SiteX)];
        proposals.push_back(h.chain().get(h.state().SiteX));
    });
    h.stopAfter(80000);
    h.start();
    expectRoundedDistribution(proposals);
    // Unit Round(4r): 0 and 4 with chance 1/8, 1..3 with 1/4.
    for (int i = 0; i <= 4; ++i) {
        const double p = (i == 0 || i == 4) ? 1.0 / 8 : 1.0 / 4;
        EXPECT_NEAR(units[static_cast<std::size_t>(i)], 80000 * p, 5 * std::sqrt(80000 * p))
            << "unit " << i;
    }
}

// The set-up's state is 1 + Round(8r), the loop's proposal Round(8r + 1) formed in single
// precision; ties go to the even neighbour. The two part at the ties 8r = m + 1/2, and at
// 8r = 7.5 + 2^-21, where the Single sum 8.5 + 2^-21 itself rounds to the even 8.5.
struct TieRow {
    std::uint32_t draw;  // r = draw * 2^-24
    int setUp, loop;
};
constexpr TieRow kTies[] = {
    {1u << 20, 1, 2}, {3u << 20, 3, 2},        {5u << 20, 3, 4},        {7u << 20, 5, 4},
    {9u << 20, 5, 6}, {11u << 20, 7, 6},       {13u << 20, 7, 8},       {15u << 20, 9, 8},
    {9u << 19, 3, 3}, {(15u << 20) + 1, 9, 8}, {(15u << 20) - 1, 8, 8},
};
constexpr int kTieRows = static_cast<int>(std::size(kTies));

TEST(Draws, SetUpAndLoopRoundTheirOwnWayAtTheTies) {
    ChainProgram set(2, "10");
    std::vector<std::uint32_t> draws;
    for (const TieRow& row : kTies)
        draws.push_back(row.draw);
    set.rng = Rng::scripted(draws, 5);
    InitChain(set.program);
    for (int i = 0; i < kTieRows; ++i)
        EXPECT_EQ(set.chain().get(i), kTies[i].setUp) << "draw " << kTies[i].draw;

    // At T = -1 every move is taken: pass i moves unit i + 1 of 0..16 (drawn at (i + 1) / 16) to
    // the proposal of tie row i. Once in quiet passes, once with every pass serviced.
    for (const bool serviced : {false, true}) {
        SCOPED_TRACE(serviced ? "every pass serviced" : "quiet passes");
        ChainProgram h(3, "16");
        h.main().Temp.setText("-1");
        std::vector<std::uint32_t> script(17, 0);  // the set-up's states
        for (int i = 0; i < kTieRows; ++i)
            script.insert(script.end(),
                          {static_cast<std::uint32_t>(i + 1) << 20, kTies[i].draw, 0});
        h.rng = Rng::scripted(script, 5);
        if (serviced) h.pump.everyCall([] {}, 1);
        h.stopAfter(kTieRows);
        h.start();
        for (int i = 0; i < kTieRows; ++i)
            EXPECT_EQ(h.chain().get(i + 1), kTies[i].loop) << "draw " << kTies[i].draw;
    }
}

struct MoveRow {
    std::vector<int> states;  // units 0.. of the chain; n may end before the last
    int n, unit, proposal, dE;
};

void PrintTo(const MoveRow& row, std::ostream* out) {
    *out << "unit " << row.unit << " of n = " << row.n << " to " << row.proposal;
}

class Move : public ::testing::TestWithParam<MoveRow> {};

TEST_P(Move, EnergyChangeCountsMatchingNeighboursWithinTheChain) {
    const MoveRow row = GetParam();
    Chain chain;
    for (std::size_t i = 0; i < row.states.size(); ++i)
        chain.set(static_cast<std::int64_t>(i), row.states[i]);
    EXPECT_EQ(energyChange(chain, row.unit, row.n, row.proposal), row.dE);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedCases, Move,
    ::testing::Values(MoveRow{{3, 3, 3}, 2, 1, 5, 6},     // M(old) = 6, M(new) = 0
                      MoveRow{{5, 2, 2}, 2, 1, 5, -3},    // M(old) = 2, M(new) = 5
                      MoveRow{{4, 1, 7}, 2, 1, 9, 0},     // no neighbour matches either
                      MoveRow{{2, 6, 6}, 2, 0, 6, -6},    // unit 0: only unit 1 counts
                      MoveRow{{4, 6, 6, 6}, 2, 2, 1, 6},  // unit n: unit n + 1 is not in the chain
                      MoveRow{{5, 5}, 0, 0, 3, 0},        // n = 0: no neighbours at all
                      MoveRow{{7, 7, 7}, 2, 1, 7, 0},     // proposal equal to the state
                      MoveRow{{9, 2, 8}, 2, 1, 2, 0}));

TEST(Move, EnergyChangeIsTheChangeOfTheChainEnergy) {
    Rng fill = Rng::seeded(9);
    Chain chain;
    const int n = 30;
    for (int i = 0; i <= n + 1; ++i)
        chain.set(i, 1 + static_cast<int>(fill.next24() % 3));  // few states: many matches
    for (int x = 0; x <= n; ++x) {
        for (int s = 1; s <= 9; ++s) {
            const std::int64_t before = chainEnergy(chain, n);
            const int old = chain.get(x);
            const int dE = energyChange(chain, x, n, s);
            chain.set(x, s);
            ASSERT_EQ(chainEnergy(chain, n) - before, dE) << "unit " << x << " to " << s;
            chain.set(x, old);
        }
    }
}

// The loop's long-run mean energy on a 4-unit chain against exact enumeration. Single-unit
// moves with the rounded proposal are balanced by weights p(s) per unit times exp(-H / T),
// with p(1) = p(9) = 1/16 and p(2..8) = 1/8, under either dynamics.
double exactMeanEnergy(double t) {
    double z = 0, sum = 0;
    int s[4];
    for (int c = 0; c < 9 * 9 * 9 * 9; ++c) {
        double w = 1;
        for (int i = 0, k = c; i < 4; ++i, k /= 9) {
            s[i] = 1 + k % 9;
            w *= (s[i] == 1 || s[i] == 9) ? 1.0 / 16 : 1.0 / 8;
        }
        double h = 0;
        for (int i = 0; i < 3; ++i)
            h -= s[i] == s[i + 1] ? s[i] : 0;
        w *= std::exp(-h / t);
        z += w;
        sum += w * h;
    }
    return sum / z;
}

TEST(Physics, MeanEnergyOfAShortChainMatchesExactEnumeration) {
    for (bool glauber : {false, true}) {
        SCOPED_TRACE(glauber ? "Glauber" : "Metropolis");
        ChainProgram h(13, "3");
        h.main().Temp.setText("5");
        h.main().Glauber.setValue(glauber);
        h.main().Metropolis.setValue(!glauber);
        double sum = 0;
        std::uint64_t samples = 0;
        h.pump.everyCall([&] {
            sum += static_cast<double>(chainEnergy(h.chain(), 3));
            ++samples;
        });
        h.stopAfter(2'000'000);
        h.start();
        EXPECT_NEAR(sum / static_cast<double>(samples), exactMeanEnergy(5.0), 0.08);
    }
}

TEST(Drawing, PlotsEachUnitAtItsStateOnAnNBy10Scale) {
    for (const char* units : {"10", "0"}) {
        SCOPED_TRACE(units);
        ChainProgram h(2, units);
        const int n = h.form().Iterations.cint();
        for (int i = 0; i <= n; ++i)
            h.chain().set(i, 1 + (i + 4) % 9);  // unit 0 in state 5
        Surface& pic = h.form().Picture1;
        pic.Cls();
        DrawChain(h.program);
        EXPECT_EQ(pic.ScaleWidth(), static_cast<float>(n));
        EXPECT_EQ(pic.ScaleHeight(), 10.0f);
        EXPECT_EQ(pic.refreshes(), 1u);
        expectPictureMatchesChain(h, n);
        // State 5 lies half-way down, unit 0 on the left edge and unit n on the right edge.
        EXPECT_EQ(pic.pixel(0, pic.height() / 2), QBColor(15));
        if (n > 0) {
            EXPECT_EQ(pic.pixel(pic.width() - 1, rowOf(pic, h.chain().get(n))), QBColor(15));
            EXPECT_EQ(pic.pixel(pic.width() / 20, pic.height() / 2), pic.background());
        }
    }
}

TEST(Loop, RejectedPassesPaintNothingAndChangeNothingButCount) {
    ChainProgram h(3, "10");
    h.main().Metropolis.setValue(false);  // no dynamics: every move is refused
    h.form().Picture1.Cls();
    InitChain(h.program);
    DrawChain(h.program);
    const Surface& pic = h.form().Picture1;
    const std::vector<std::uint32_t> before(pic.bits(), pic.bits() + pic.stride() * pic.height());
    const std::vector<std::int16_t> chain(h.chain().data(), h.chain().data() + 11);
    h.state().Running = true;
    h.stopAfter(5000);
    RunChain(h.program);
    EXPECT_EQ(h.main().Label1.Caption(), "5000");
    EXPECT_EQ(pic.refreshes(), 1u);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), pic.bits()));
    EXPECT_TRUE(std::equal(chain.begin(), chain.end(), h.chain().data()));
}

TEST(Loop, AcceptedMovePaintsOldDotBlackThenNewDotWhiteEvenWhenStoppedInThePump) {
    // One unit (n = 0) at T = -1: every pass is accepted with dE = 0. Inside the pump the old
    // dot is black; a proposal equal to the state stops the run there, and the pass still
    // paints that dot white again.
    ChainProgram h(4, "0");
    h.main().Temp.setText("-1");
    const Surface& pic = h.form().Picture1;
    int old = 0;
    int passes = 0;
    bool stopped = false;
    h.pump.everyCall([&] {
        ++passes;
        if (old != 0) {
            ASSERT_EQ(pic.pixel(0, rowOf(pic, old)), QBColor(0)) << "pass " << passes;
            if (h.chain().get(0) == old && !stopped) {
                stopped = true;
                h.main().Command2.click();
            }
        }
        old = h.chain().get(0);
    });
    h.pump.after(1000, [&] { h.main().Command2.click(); });  // a safety net, not expected
    h.start();
    ASSERT_TRUE(stopped);
    EXPECT_EQ(h.main().Label1.Caption(), std::to_string(passes));
    EXPECT_EQ(pic.refreshes(), 1u + static_cast<unsigned>(passes));
    expectPictureMatchesChain(h, 0);
}

TEST(Loop, CountIsPlainDigitsAndRestartsAtOne) {
    ChainProgram h(8, "10");
    h.stopAfter(12345);
    h.start();
    EXPECT_EQ(h.main().Label1.Caption(), "12345");
    expectPictureMatchesChain(h, 10);
    h.stopAfter(1);
    h.start();
    EXPECT_EQ(h.main().Label1.Caption(), "1");
}

TEST(Loop, IterationsIsLockedDuringTheRunAndMirroredIntoLabel3Between) {
    ChainProgram h(10, "10");
    bool lockedInside = false;
    bool typedInside = true;
    h.pump.after(20, [&] {
        lockedInside = h.form().Iterations.Locked();
        typedInside = h.form().Iterations.type("99");
    });
    h.stopAfter(40);
    h.start();
    EXPECT_TRUE(lockedInside);
    EXPECT_FALSE(typedInside);
    EXPECT_EQ(h.form().Label3.Caption(), "10");
    EXPECT_FALSE(h.form().Iterations.Locked());
    EXPECT_TRUE(h.form().Iterations.type("250"));
    EXPECT_EQ(h.form().Label3.Caption(), "250");
    // The text is shown as typed, without conversion.
    EXPECT_TRUE(h.form().Iterations.type(" 2,5x"));
    EXPECT_EQ(h.form().Label3.Caption(), " 2,5x");
}

TEST(Loop, BadLengthsAreReportedAndLeaveIterationsEditable) {
    struct Row {
        const char* text;
        const char* message;
    };
    const Row rows[] = {
        {"10001", "Number of Chain Units 10001 is above 10000"},
        {"-3", "Number of Chain Units -3 is negative"},
        {"", "Number of Chain Units is empty"},
        {"many", "Number of Chain Units \"many\" is not a number"},
        {"40000", "Number of Chain Units \"40000\" is above 10000, the longest chain"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ChainProgram h(12, row.text);
        h.pump.after(100000, [&] { h.main().Command2.click(); });  // not reached
        h.start();
        ASSERT_EQ(h.backend.errors.size(), 1u);
        EXPECT_NE(h.backend.errors[0].find(row.message), std::string::npos) << h.backend.errors[0];
        // The user can correct the length and run again.
        EXPECT_TRUE(h.form().Iterations.type("10"));
        h.stopAfter(10);
        h.start();
        EXPECT_EQ(h.backend.errors.size(), 1u);
        EXPECT_EQ(h.main().Label1.Caption(), "10");
    }
}

TEST(Loop, NestedStartLaysOutANewChainAndOneStopEndsBoth) {
    ChainProgram h(14, "10");
    h.main().Temp.setText("-1");  // every pass accepted, the interrupted one included
    int deepest = 0;
    h.pump.everyCall([&] { deepest = std::max(deepest, h.app.commands().activeRuns()); });
    h.pump.after(30, [&] { h.start(); });
    h.stopAfter(130);
    h.start();
    EXPECT_EQ(deepest, 2);
    EXPECT_EQ(h.main().Label1.Caption(), "30");
    EXPECT_FALSE(h.form().Iterations.Locked());
    // The outer pass finished on the nested run's unit and chain: no stray dot.
    expectPictureMatchesChain(h, 10);
}

}  // namespace
}  // namespace spinlab
