// CheckNoise and its table-driven twin accepts(): checked draw by draw against the rule itself
// (Glauber p = 1 / (exp(dE / T) + 1), Metropolis q = exp(-|dE| / T), accepted when above Rnd),
// at the draws on either side of every threshold.

#include "core/acceptance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <vector>

namespace spinlab {
namespace {

constexpr std::uint32_t kHalf = 1u << 23;
constexpr std::uint32_t kLastDraw = (1u << 24) - 1;

enum class Dynamics { Metropolis, Glauber, Neither };

struct MainWindowInputs : ::testing::Test {
    InputEpoch epoch;
    TextBox temp{"Temp", "Temp", "2.2619", epoch};
    OptionButton metropolis{"Metropolis", "Metropolis", true, epoch};
    OptionButton glauber{"Glauber", "Glauber", false, epoch};
    std::vector<OptionButton*> group{&metropolis, &glauber};
    Rng rng = Rng::seeded(3);
    AcceptanceRule rule{temp, glauber, metropolis, rng, epoch};

    MainWindowInputs() {
        metropolis.joinGroup(&group);
        glauber.joinGroup(&group);
    }
    void select(Dynamics d) {
        if (d == Dynamics::Metropolis) metropolis.setValue(true);
        if (d == Dynamics::Glauber) glauber.setValue(true);
        if (d == Dynamics::Neither) {
            metropolis.setValue(false);
            glauber.setValue(false);
        }
    }
    Decision decide(double dE, std::uint32_t draw) {
        rng = Rng::withNextDraw(draw);
        return rule.CheckNoise(dE);
    }
    bool accepts(int dE, std::uint32_t draw) {
        rng = Rng::withNextDraw(draw);
        return rule.accepts(dE);
    }
    // The generator as it will be after one more draw.
    Rng advancedOnce() const {
        Rng copy = rng;
        copy.next24();
        return copy;
    }
};

double probability(Dynamics d, double dE, double t) {
    if (d == Dynamics::Glauber) return 1.0 / (std::exp(dE / t) + 1.0);
    if (dE < 0) return 2.0;  // accepted without a comparison
    return std::exp(-std::fabs(dE) / t);
}

bool expectedAccept(Dynamics d, double dE, double t, std::uint32_t draw) {
    if (d == Dynamics::Neither) return false;
    const float r = static_cast<float>(draw) * 0x1p-24f;
    return probability(d, dE, t) > r;
}

// The draws at which the outcome for probability p can turn, plus both ends.
std::vector<std::uint32_t> drawsAround(double p) {
    std::vector<std::uint32_t> out{0, kLastDraw};
    const double scaled = std::floor(std::min(std::max(p, 0.0), 1.0) * 0x1p24);
    for (double k = scaled - 1; k <= scaled + 1; ++k) {
        if (k >= 0 && k <= kLastDraw) out.push_back(static_cast<std::uint32_t>(k));
    }
    return out;
}

struct SweepRow {
    const char* tempText;
    Dynamics dynamics;
    double temperature;  // what the text stands for
};

std::ostream& operator<<(std::ostream& out, const SweepRow& r) {
    const char* names[] = {"Metropolis", "Glauber", "neither"};
    return out << '"' << r.tempText << "\" " << names[static_cast<int>(r.dynamics)];
}

class AcceptanceSweep : public MainWindowInputs, public ::testing::WithParamInterface<SweepRow> {};

TEST_P(AcceptanceSweep, CheckNoiseAndAcceptsFollowTheRuleAtEveryThreshold) {
    const SweepRow& row = GetParam();
    temp.setText(row.tempText);
    select(row.dynamics);
    if (row.dynamics != Dynamics::Neither) {
        EXPECT_EQ(rule.temperature(), row.temperature);
    }

    int failures = 0;
    auto check = [&](double dE, std::uint32_t draw, bool viaAccepts) {
        const bool expected = expectedAccept(row.dynamics, dE, row.temperature, draw);
        bool got;
        if (viaAccepts) {
            got = accepts(static_cast<int>(dE), draw);
        } else {
            const Decision d = decide(dE, draw);
            EXPECT_EQ(d == Decision::NoDecision, row.dynamics == Dynamics::Neither);
            got = d == Decision::Accepted;
        }
        if (got != expected && ++failures <= 10) {
            ADD_FAILURE() << (viaAccepts ? "accepts(" : "CheckNoise(") << dE << ") at draw " << draw
                          << ": " << (got ? "accepted" : "rejected");
        }
    };
    for (int dE = -AcceptanceRule::kMaxDelta; dE <= AcceptanceRule::kMaxDelta; ++dE) {
        for (std::uint32_t draw : drawsAround(probability(row.dynamics, dE, row.temperature))) {
            check(dE, draw, false);
            check(dE, draw, true);
        }
    }
    // Energy changes the callers never pass still get the same rule.
    for (double dE : {-100.0, -65.0, -3.5, -0.25, 0.5, 2.5, 7.75, 51.9, 65.0, 100.0}) {
        for (std::uint32_t draw : drawsAround(probability(row.dynamics, dE, row.temperature)))
            check(dE, draw, false);
    }
    EXPECT_EQ(failures, 0);
}

// An empty text, or one whose CInt is 0 (-0.5 to 0.5), stands for T = 1.
INSTANTIATE_TEST_SUITE_P(
    Temperatures, AcceptanceSweep,
    ::testing::Values(
        SweepRow{"2.2619", Dynamics::Metropolis, 2.2619},
        SweepRow{"2.2619", Dynamics::Glauber, 2.2619}, SweepRow{"", Dynamics::Metropolis, 1},
        SweepRow{"", Dynamics::Glauber, 1}, SweepRow{"0", Dynamics::Glauber, 1},
        SweepRow{"0.3", Dynamics::Glauber, 1}, SweepRow{"0.5", Dynamics::Metropolis, 1},
        SweepRow{"-0.5", Dynamics::Glauber, 1}, SweepRow{"1e-400", Dynamics::Glauber, 1},
        SweepRow{"0.51", Dynamics::Glauber, 0.51}, SweepRow{"0.51", Dynamics::Metropolis, 0.51},
        SweepRow{"-0.51", Dynamics::Glauber, -0.51}, SweepRow{"-0.51", Dynamics::Metropolis, -0.51},
        SweepRow{" 3.75 ", Dynamics::Metropolis, 3.75}, SweepRow{"1,000", Dynamics::Glauber, 1000},
        SweepRow{"&H10", Dynamics::Metropolis, 16}, SweepRow{"2.2619", Dynamics::Neither, 2.2619}));

struct WorkedRow {
    Dynamics dynamics;
    int dE;
    double value;      // as printed, rounded to
    double halfDigit;  // half a unit of its last digit
};
std::ostream& operator<<(std::ostream& out, const WorkedRow& r) {
    return out << (r.dynamics == Dynamics::Glauber ? "Glauber" : "Metropolis") << " dE " << r.dE;
}

class WorkedValues : public MainWindowInputs, public ::testing::WithParamInterface<WorkedRow> {};

TEST_P(WorkedValues, AtTheDefaultTemperature) {
    const WorkedRow& row = GetParam();
    select(row.dynamics);
    const double p = row.dynamics == Dynamics::Glauber ? glauberProbability(row.dE, 2.2619)
                                                       : metropolisProbability(row.dE, 2.2619);
    EXPECT_NEAR(p, row.value, row.halfDigit);
    // Draws just below the printed band are accepted, just above it rejected.
    const auto below = static_cast<std::uint32_t>((row.value - row.halfDigit) * 0x1p24) - 1;
    const auto above = static_cast<std::uint32_t>((row.value + row.halfDigit) * 0x1p24) + 1;
    EXPECT_EQ(decide(row.dE, below), Decision::Accepted);
    EXPECT_EQ(decide(row.dE, above), Decision::Rejected);
    EXPECT_TRUE(accepts(row.dE, below));
    EXPECT_FALSE(accepts(row.dE, above));
}

INSTANTIATE_TEST_SUITE_P(Table, WorkedValues,
                         ::testing::Values(WorkedRow{Dynamics::Glauber, 4, 0.14574, 5e-6},
                                           WorkedRow{Dynamics::Glauber, 8, 0.02828, 5e-6},
                                           WorkedRow{Dynamics::Glauber, 16, 0.000846, 5e-7},
                                           WorkedRow{Dynamics::Metropolis, 4, 0.17060, 5e-6},
                                           WorkedRow{Dynamics::Metropolis, 8, 0.02910, 5e-6},
                                           WorkedRow{Dynamics::Metropolis, 16, 0.000847, 5e-7}));

TEST_F(MainWindowInputs, GlauberAtZeroAcceptsExactlyBelowHalf) {
    select(Dynamics::Glauber);
    for (std::uint32_t draw : {0u, 1u, kHalf - 1}) {
        EXPECT_EQ(decide(0, draw), Decision::Accepted) << draw;
        EXPECT_TRUE(accepts(0, draw)) << draw;
    }
    for (std::uint32_t draw : {kHalf, kHalf + 1, kLastDraw}) {
        EXPECT_EQ(decide(0, draw), Decision::Rejected) << draw;
        EXPECT_FALSE(accepts(0, draw)) << draw;
    }
}

TEST_F(MainWindowInputs, MetropolisAcceptsEveryDownhillOrLevelMove) {
    for (int dE = -AcceptanceRule::kMaxDelta; dE <= 0; ++dE) {
        EXPECT_EQ(decide(dE, kLastDraw), Decision::Accepted) << dE;
        EXPECT_TRUE(accepts(dE, kLastDraw)) << dE;
    }
    EXPECT_EQ(decide(-0.5, kLastDraw), Decision::Accepted);
    EXPECT_EQ(decide(-1e6, kLastDraw), Decision::Accepted);
}

TEST_F(MainWindowInputs, MetropolisBelowMinusHalfAcceptsEverything) {
    for (const char* t : {"-0.51", "-3", "-32768"}) {
        temp.setText(t);
        for (int dE = -AcceptanceRule::kMaxDelta; dE <= AcceptanceRule::kMaxDelta; ++dE) {
            EXPECT_EQ(decide(dE, kLastDraw), Decision::Accepted) << t << ' ' << dE;
            EXPECT_TRUE(accepts(dE, kLastDraw)) << t << ' ' << dE;
        }
        EXPECT_EQ(decide(51.5, kLastDraw), Decision::Accepted) << t;
    }
}

TEST_F(MainWindowInputs, WithNeitherDynamicsNoMoveIsEverMade) {
    select(Dynamics::Neither);
    for (int dE = -AcceptanceRule::kMaxDelta; dE <= AcceptanceRule::kMaxDelta; ++dE) {
        EXPECT_EQ(decide(dE, 0), Decision::NoDecision) << dE;
        EXPECT_FALSE(accepts(dE, 0)) << dE;
    }
    EXPECT_EQ(decide(-0.5, 0), Decision::NoDecision);
}

TEST_F(MainWindowInputs, EveryCallConsumesExactlyOneDraw) {
    const struct {
        Dynamics dynamics;
        const char* temp;
        double dE;
    } rows[] = {
        {Dynamics::Metropolis, "2.2619", -4}, {Dynamics::Metropolis, "2.2619", 0},
        {Dynamics::Metropolis, "2.2619", 8},  {Dynamics::Metropolis, "-3", 8},
        {Dynamics::Glauber, "2.2619", -4},    {Dynamics::Glauber, "", 0.5},
        {Dynamics::Neither, "2.2619", 4},     {Dynamics::Metropolis, "1", 100},
    };
    for (const auto& row : rows) {
        temp.setText(row.temp);
        select(row.dynamics);
        for (int via = 0; via < 2; ++via) {
            rng = Rng::seeded(17);
            const Rng expected = advancedOnce();
            if (via == 0) {
                rule.CheckNoise(row.dE);
            } else if (row.dE == std::floor(row.dE) && std::fabs(row.dE) <= 64) {
                rule.accepts(static_cast<int>(row.dE));
            } else {
                continue;
            }
            Rng e = expected;
            EXPECT_EQ(rng.next24(), e.next24()) << row.temp << ' ' << row.dE << " via " << via;
        }
    }
}

TEST_F(MainWindowInputs, ABadTemperatureRaisesAfterTheDraw) {
    const struct {
        const char* text;
        bool outOfRange;
    } rows[] = {{"warm", false}, {"2.2619K", false}, {"NaN", false},
                {"40000", true}, {"-32769", true},   {"1e400", true}};
    for (Dynamics d : {Dynamics::Metropolis, Dynamics::Glauber, Dynamics::Neither}) {
        select(d);
        for (const auto& row : rows) {
            temp.setText(row.text);
            for (int call = 0; call < 2; ++call) {  // and again at the next trial
                const Rng expected = advancedOnce();
                try {
                    if (call == 0) {
                        rule.CheckNoise(4.0);
                    } else {
                        rule.accepts(4);
                    }
                    ADD_FAILURE() << '"' << row.text << "\" accepted";
                } catch (const ConversionError& e) {
                    EXPECT_EQ(e.input(), "Temp");
                    EXPECT_EQ(e.text(), row.text);
                    EXPECT_EQ(e.outOfRange(), row.outOfRange) << row.text;
                }
                Rng e = expected;
                EXPECT_EQ(rng.next24(), e.next24()) << row.text;
            }
            EXPECT_THROW(rule.temperature(), ConversionError);
        }
    }
    temp.setText("2.2619");
    select(Dynamics::Metropolis);
    EXPECT_EQ(decide(0, kLastDraw), Decision::Accepted);
}

TEST_F(MainWindowInputs, AnEditBetweenTwoCallsTakesEffectAtTheNext) {
    const auto draw = [](double r) { return static_cast<std::uint32_t>(r * 0x1p24); };
    // Metropolis q(4) is 0.1706 at T = 2.2619 and 0.0183 at T = 1.
    EXPECT_EQ(decide(4, draw(0.1)), Decision::Accepted);
    EXPECT_TRUE(accepts(4, draw(0.1)));
    temp.setText("1");
    EXPECT_EQ(decide(4, draw(0.1)), Decision::Rejected);
    EXPECT_FALSE(accepts(4, draw(0.1)));
    temp.setText("2.2619");
    EXPECT_TRUE(accepts(4, draw(0.1)));

    // Glauber p(4) is 0.1457: a draw of 0.16 separates the two rules.
    EXPECT_TRUE(accepts(4, draw(0.16)));
    glauber.setValue(true);
    EXPECT_FALSE(accepts(4, draw(0.16)));
    EXPECT_EQ(decide(4, draw(0.16)), Decision::Rejected);
    metropolis.setValue(true);
    EXPECT_TRUE(accepts(4, draw(0.16)));
    metropolis.setValue(false);
    EXPECT_FALSE(accepts(-4, 0));
    EXPECT_EQ(decide(-4, 0), Decision::NoDecision);
    metropolis.setValue(true);

    temp.setText("hot");
    EXPECT_THROW(accepts(4, 0), ConversionError);
    temp.setText("2.2619");
    EXPECT_TRUE(accepts(4, draw(0.1)));
}

}  // namespace
}  // namespace spinlab
