// spinlab-batch's options and runs, in-process.

#include <gtest/gtest.h>

#include <algorithm>

#include "batch/options.h"
#include "batch/runners.h"

namespace spinlab::batch {
namespace {

std::string field(const Report& r, const std::string& key) {
    for (const auto& [k, v] : r.fields) {
        if (k == key) return v;
    }
    return "<missing>";
}

Options parse(std::vector<std::string> args) {
    return *parseOptions(args);
}

TEST(BatchOptions, DefaultsAreTheWindowsInitialValues) {
    const Options o = parse({"square"});
    EXPECT_EQ(o.size, "60");
    EXPECT_EQ(o.temp, "2.2619");
    EXPECT_EQ(o.dynamics, "metropolis");
    EXPECT_FALSE(o.seed.has_value());
    EXPECT_FALSE(o.json);
    EXPECT_FALSE(parseOptions({"square", "--help"}).has_value());
}

TEST(BatchOptions, TextsAreKeptAsTyped) {
    const Options o = parse({"square", "--size", " 2.5 ", "--temp", "&H3", "--seed", "0"});
    EXPECT_EQ(o.size, " 2.5 ");
    EXPECT_EQ(o.temp, "&H3");
    EXPECT_EQ(o.seed, 0u);
}

TEST(BatchOptions, MalformedCommandLinesAreRefused) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"hexagonal"},
        {"ant", "--obstacles", "201"},
        {"square", "--frobnicate"},
        {"square", "--size"},
        {"square", "--dynamics", "heatbath"},
        {"square", "--trials", "0"},
        {"square", "--trials", "-5"},
        {"square", "--trials", "1e6"},
        {"square", "--seed", "x"},
        {"square", "extra"},
    };
    for (const auto& args : bad) {
        EXPECT_THROW(parseOptions(args), UsageError) << (args.empty() ? "" : args.back());
    }
}

TEST(BatchRun, AFixedSeedReproducesTheRunExactly) {
    const Options o = parse({"square", "--size", "30", "--trials", "200000", "--seed", "7"});
    const Report a = runSquare(o);
    const Report b = runSquare(o);
    for (const char* key : {"simulation", "trials", "label", "energy", "magnetization"}) {
        EXPECT_EQ(field(a, key), field(b, key)) << key;
    }
    EXPECT_EQ(field(a, "label"), "\"200000\"");
    const Report c =
        runSquare(parse({"square", "--size", "30", "--trials", "200000", "--seed", "8"}));
    EXPECT_NE(field(a, "energy") + field(a, "magnetization"),
              field(c, "energy") + field(c, "magnetization"));
}

TEST(BatchRun, CubicRunIsReproducibleAndCountsInTheViewWindow) {
    const Options o = parse({"cubic", "--size", "20", "--trials", "50000", "--seed", "7"});
    const Report a = runCubic(o);
    const Report b = runCubic(o);
    for (const char* key : {"simulation", "trials", "label", "energy", "magnetization"}) {
        EXPECT_EQ(field(a, key), field(b, key)) << key;
    }
    EXPECT_EQ(field(a, "simulation"), "\"cubic\"");
    EXPECT_EQ(field(a, "label"), "\"50000\"");
    EXPECT_THROW(runCubic(parse({"cubic", "--size", "101", "--seed", "1"})), RunFailure);
}

TEST(BatchRun, ObservablesDescribeTheFinalLattice) {
    // With no dynamics nothing moves: a 1 x 1 lattice (N = 0) keeps its single spin, E = 0.
    const Report r = runSquare(
        parse({"square", "--size", "0", "--dynamics", "none", "--trials", "10", "--seed", "3"}));
    EXPECT_EQ(field(r, "energy"), "0");
    const std::string m = field(r, "magnetization");
    EXPECT_TRUE(m == "1" || m == "-1") << m;
}

TEST(BatchRun, AntWalksToTheBorderOrToTheStepCap) {
    const Options o = parse({"ant", "--obstacles", "50", "--seed", "7"});
    const Report a = runAnt(o);
    EXPECT_EQ(field(a, "reached_border"), "true");
    const int x = std::stoi(field(a, "x"));
    const int y = std::stoi(field(a, "y"));
    // The design picture is 135 x 143 cells: the walk ends on column or row 0 or one beyond
    // the last.
    EXPECT_TRUE(x == 0 || y == 0 || x == 135 || y == 143) << x << "," << y;
    std::string label = field(a, "label");
    std::erase(label, ',');
    EXPECT_EQ(label, "\"" + field(a, "steps") + "\"");
    const Report b = runAnt(o);
    for (const char* key : {"steps", "x", "y", "heading", "label"}) {
        EXPECT_EQ(field(a, key), field(b, key)) << key;
    }

    const Report capped = runAnt(parse({"ant", "--trials", "500", "--seed", "7"}));
    EXPECT_EQ(field(capped, "steps"), "500");
    EXPECT_EQ(field(capped, "label"), "\"500\"");
    EXPECT_EQ(field(capped, "reached_border"), "false");
}

TEST(BatchRun, InputErrorsNameTheInput) {
    try {
        runSquare(parse({"square", "--temp", "hot", "--trials", "10", "--seed", "1"}));
        FAIL();
    } catch (const RunFailure& e) {
        EXPECT_NE(e.message.find("Temp \"hot\" is not a number"), std::string::npos) << e.message;
    }
    EXPECT_THROW(runSquare(parse({"square", "--size", "1001", "--seed", "1"})), RunFailure);
}

TEST(BatchRun, ChainReportsTheCountsAndEnergyOfItsFinalChain) {
    // Two units and no dynamics: the set-up stays, so the energy follows from the counts.
    for (const char* seed : {"1", "2", "3", "4", "5"}) {
        const Report r = runChain(parse(
            {"chain", "--units", "1", "--dynamics", "none", "--trials", "7", "--seed", seed}));
        EXPECT_EQ(field(r, "label"), "\"7\"");
        const std::string counts = field(r, "counts");
        const std::size_t pair = counts.find('2');
        std::string energy = "0";
        if (pair != std::string::npos) {
            const auto state = std::count(counts.begin(), counts.begin() + pair, ',') + 1;
            energy = "-" + std::to_string(state);
        }
        EXPECT_EQ(field(r, "energy"), energy) << counts;
    }
    const Options o = parse({"chain", "--units", "10000", "--trials", "100000", "--seed", "9"});
    const Report a = runChain(o);
    EXPECT_EQ(field(a, "counts"), field(runChain(o), "counts"));
    EXPECT_EQ(field(a, "simulation"), "\"chain\"");
    try {
        runChain(parse({"chain", "--units", "-3", "--seed", "1"}));
        FAIL();
    } catch (const RunFailure& e) {
        EXPECT_NE(e.message.find("Number of Chain Units -3 is negative"), std::string::npos)
            << e.message;
    }
}

}  // namespace
}  // namespace spinlab::batch
