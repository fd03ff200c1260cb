// spinlab-batch's options and runs, in-process.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>

#include "batch/options.h"
#include "batch/runners.h"
#include "measure/model.h"

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

Report run(const Options& o) {
    return runModel(*findModel(o.simulation), o, nullptr);
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

// Every option that takes a value reads it after "=" as after a space.
TEST(BatchOptions, EqualsSignFormGivesTheSameOptions) {
    const std::vector<std::vector<std::string>> lines = {
        {"square",  "--size",   "20",       "--temp",  "3",     "--dynamics",
         "glauber", "--trials", "50",       "--seed",  "4",     "--every",
         "5",       "--series", "x=1.csv",  "--png",   "x.png", "--coupling",
         "nearest", "--edges",  "periodic", "--field", "0.5"},
        {"square", "--sweep", "1:2:1", "--sizes", "4,6", "--burn-in", "0.3", "--threads", "2"},
        {"cubic", "--field-sweep", "0:1:1"},
        {"chain", "--units", "30"},
        {"ant", "--obstacles", "5"},
    };
    for (const auto& spaced : lines) {
        std::vector<std::string> joined = {spaced[0]};
        for (std::size_t i = 1; i + 1 < spaced.size(); i += 2)
            joined.push_back(spaced[i] + "=" + spaced[i + 1]);
        EXPECT_EQ(parse(spaced), parse(joined)) << joined[1];
    }
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
    const Report a = run(o);
    const Report b = run(o);
    for (const char* key : {"simulation", "trials", "label", "energy", "magnetization"}) {
        EXPECT_EQ(field(a, key), field(b, key)) << key;
    }
    EXPECT_EQ(field(a, "label"), "\"200000\"");
    const Report c = run(parse({"square", "--size", "30", "--trials", "200000", "--seed", "8"}));
    EXPECT_NE(field(a, "energy") + field(a, "magnetization"),
              field(c, "energy") + field(c, "magnetization"));
}

TEST(BatchRun, CubicRunIsReproducibleAndCountsInTheViewWindow) {
    const Options o = parse({"cubic", "--size", "20", "--trials", "50000", "--seed", "7"});
    const Report a = run(o);
    const Report b = run(o);
    for (const char* key : {"simulation", "trials", "label", "energy", "magnetization"}) {
        EXPECT_EQ(field(a, key), field(b, key)) << key;
    }
    EXPECT_EQ(field(a, "simulation"), "\"cubic\"");
    EXPECT_EQ(field(a, "label"), "\"50000\"");
    EXPECT_THROW(run(parse({"cubic", "--size", "101", "--seed", "1"})), RunFailure);
}

TEST(BatchRun, ObservablesDescribeTheFinalLattice) {
    // With no dynamics nothing moves: a 1 x 1 lattice (N = 0) keeps its single spin, E = 0.
    const Report r = run(
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
        run(parse({"square", "--temp", "hot", "--trials", "10", "--seed", "1"}));
        FAIL();
    } catch (const RunFailure& e) {
        EXPECT_NE(e.message.find("Temp \"hot\" is not a number"), std::string::npos) << e.message;
    }
    EXPECT_THROW(run(parse({"square", "--size", "1001", "--seed", "1"})), RunFailure);
}

TEST(BatchRun, ChainReportsTheCountsAndEnergyOfItsFinalChain) {
    // Two units and no dynamics: the set-up stays, so the energy follows from the counts.
    for (const char* seed : {"1", "2", "3", "4", "5"}) {
        const Report r = run(parse(
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
    const Report a = run(o);
    EXPECT_EQ(field(a, "counts"), field(run(o), "counts"));
    EXPECT_EQ(field(a, "simulation"), "\"chain\"");
    try {
        run(parse({"chain", "--units", "-3", "--seed", "1"}));
        FAIL();
    } catch (const RunFailure& e) {
        EXPECT_NE(e.message.find("Number of Chain Units -3 is negative"), std::string::npos)
            << e.message;
    }
}

}  // namespace
}  // namespace spinlab::batch

namespace spinlab::batch {
namespace {

// Runs with the series going to a temporary file; returns the file's lines.
std::vector<std::string> seriesOf(const Options& o, Report* report = nullptr) {
    std::FILE* f = std::tmpfile();
    const Report r = runModel(*findModel(o.simulation), o, f);
    if (report) *report = r;
    std::rewind(f);
    std::vector<std::string> lines;
    char buf[512];
    while (std::fgets(buf, sizeof buf, f))
        lines.emplace_back(buf, std::strcspn(buf, "\n"));
    std::fclose(f);
    return lines;
}

TEST(BatchSeries, RowsEveryKTrialsEndAtTheFinalRecount) {
    struct Row {
        std::vector<std::string> args;
        const char* header;
    };
    const Row rows[] = {
        {{"square", "--size", "20", "--temp", "3"}, "trial,energy,magnetization"},
        {{"cubic", "--size", "8", "--temp", "9"}, "trial,energy,magnetization"},
        {{"chain", "--units", "50", "--temp", "3"},
         "trial,energy,count_1,count_2,count_3,count_4,count_5,count_6,count_7,count_8,count_9"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args[0]);
        std::vector<std::string> args = row.args;
        for (const char* a :
             {"--trials", "250000", "--seed", "4", "--every", "1000", "--series", "x"}) {
            args.emplace_back(a);
        }
        Report report;
        const auto lines = seriesOf(parse(args), &report);
        ASSERT_EQ(lines.size(), 251u);
        EXPECT_EQ(lines[0], row.header);
        EXPECT_EQ(lines[1].substr(0, 5), "1000,");
        // The running totals must land exactly on a recount of the final state.
        std::string last = "250000," + field(report, "energy");
        if (row.args[0] == "chain") {
            std::string counts = field(report, "counts");
            counts.erase(std::remove(counts.begin(), counts.end(), ' '), counts.end());
            last += "," + counts.substr(1, counts.size() - 2);
        } else {
            last += "," + field(report, "magnetization");
        }
        EXPECT_EQ(lines.back(), last);
    }
}

TEST(BatchSeries, TheSameSeedGivesTheSameSeries) {
    const Options o = parse({"cubic", "--size", "10", "--trials", "100000", "--seed", "9",
                             "--every", "5000", "--series", "x"});
    EXPECT_EQ(seriesOf(o), seriesOf(o));
}

TEST(BatchPicture, EachSimulationShowsItsSurfacesInTheirColours) {
    struct Row {
        const char* simulation;
        int width, height;
        std::set<std::uint32_t> colours;
    };
    const std::uint32_t bg = 0xEFEFEF;
    const Row rows[] = {
        {"square", 223, 207, {0x0000FF, 0xFFFFFF, bg}},
        {"cubic", 223 + 215 + 215, 207, {0x0000FF, 0xFFFFFF, bg}},
        {"chain", 447, 79, {0x000000, 0xFFFFFF, bg}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.simulation);
        const bool chain = std::string(row.simulation) == "chain";
        Options o = parse({row.simulation, chain ? "--units" : "--size", chain ? "40" : "30",
                           "--trials", "20000", "--seed", "2"});
        Harness h(o);
        const Model& m = *findModel(row.simulation);
        m.prepare(h.program(), o.size, o.units);
        h.run(h.main().Command1, h.main().Command2);
        const RgbImage image = m.picture(h.program());
        EXPECT_EQ(image.width, row.width);
        EXPECT_EQ(image.height, row.height);
        const std::set<std::uint32_t> seen(image.pixels.begin(), image.pixels.end());
        EXPECT_EQ(seen, row.colours);
    }
}

TEST(BatchSweep, RowsComeInTemperatureOrderWhateverTheThreads) {
    auto sweep = [](const char* threads) {
        const Options o = parse({"square", "--size", "6", "--sweep", "1:7:1.5", "--trials", "60000",
                                 "--seed", "3", "--threads", threads});
        std::FILE* f = std::tmpfile();
        runSweep(*findModel("square"), o, f);
        std::rewind(f);
        std::string text;
        for (int c; (c = std::fgetc(f)) != EOF;)
            text.push_back(static_cast<char>(c));
        std::fclose(f);
        return text;
    };
    const std::string one = sweep("1");
    EXPECT_EQ(one, sweep("2"));
    EXPECT_EQ(one, sweep("5"));
    std::istringstream lines(one);
    std::string line;
    std::vector<std::string> temps;
    std::getline(lines, line);
    EXPECT_EQ(line,
              "temp,trials,energy_mean,energy_err,abs_m_mean,abs_m_err,chi_mean,chi_err,"
              "c_mean,c_err,u4_mean,u4_err");
    while (std::getline(lines, line))
        temps.push_back(line.substr(0, line.find(',')));
    EXPECT_EQ(temps, (std::vector<std::string>{"1", "2.5", "4", "5.5", "7"}));
}

// Sizes run side by side and come out size by size, each row the same whatever the threads.
TEST(BatchSweep, SeveralSizesGiveOneTableWithASizeColumn) {
    auto sweep = [](const char* threads) {
        const Options o =
            parse({"square", "--dynamics", "wolff", "--coupling", "nearest", "--sizes", "3,7",
                   "--sweep", "2:3:1", "--trials", "2000", "--seed", "4", "--threads", threads});
        std::FILE* f = std::tmpfile();
        runSweep(*findModel("square"), o, f);
        std::rewind(f);
        std::string text;
        for (int c; (c = std::fgetc(f)) != EOF;)
            text += static_cast<char>(c);
        std::fclose(f);
        return text;
    };
    const std::string text = sweep("1");
    EXPECT_EQ(text, sweep("2"));
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_TRUE(line.starts_with("size,temp,trials,"));
    std::vector<std::string> keys;
    while (std::getline(lines, line))
        keys.push_back(line.substr(0, line.find(',', line.find(',') + 1)));
    EXPECT_EQ(keys, (std::vector<std::string>{"3,2", "3,3", "7,2", "7,3"}));
}

TEST(BatchSweep, ChainFractionsAddUpToOne) {
    const Options o =
        parse({"chain", "--units", "30", "--sweep", "2:4:2", "--trials", "50000", "--seed", "3"});
    std::FILE* f = std::tmpfile();
    runSweep(*findModel("chain"), o, f);
    std::rewind(f);
    char buf[1024];
    ASSERT_TRUE(std::fgets(buf, sizeof buf, f));
    int rows = 0;
    while (std::fgets(buf, sizeof buf, f)) {
        std::istringstream in(buf);
        std::string cell;
        std::vector<double> v;
        while (std::getline(in, cell, ','))
            v.push_back(std::stod(cell));
        ASSERT_EQ(v.size(), 13u);
        double sum = 0;
        for (std::size_t i = 4; i < 13; ++i)
            sum += v[i];
        EXPECT_NEAR(sum, 1.0, 1e-8);  // nine fractions, each printed to 9 digits
        EXPECT_LT(v[2], 0.0);         // like neighbours lower the energy
        ++rows;
    }
    EXPECT_EQ(rows, 2);
    std::fclose(f);
}

TEST(BatchOptions, MeasurementOptionsAreCheckedTogether) {
    const std::vector<std::vector<std::string>> bad = {
        {"square", "--every", "10"},
        {"square", "--series", "x.csv"},
        {"square", "--sweep", "1:2:0.5", "--png", "x.png"},
        {"ant", "--every", "10", "--series", "-"},
        {"square", "--sweep", "1:2"},
        {"square", "--sweep", "2:1:0.5"},
        {"square", "--sweep", "1:2:0"},
        {"square", "--sweep", "a:b:c"},
        {"square", "--sweep", "1:2:0.5", "--burn-in", "1"},
        {"square", "--sweep", "1:2:0.5", "--threads", "0"},
        {"square", "--sweep", "0x1p1:4:1"},
        {"square", "--sweep", " 2:4:1"},
        {"square", "--sweep", "1:2:1e-20"},
        {"square", "--sweep", "1:1e30:1"},
        {"square", "--sweep", "1:2:1e+-1"},
        {"square", "--dynamics", "wolff", "--field", "0.1"},
        {"cubic", "--dynamics", "wolff", "--field-sweep", "-1:1:1"},
        {"chain", "--dynamics", "wolff"},
        {"square", "--sizes", "4,8"},
        {"square", "--sweep", "1:2:1", "--sizes", "4,,8"},
        {"chain", "--sweep", "1:2:1", "--sizes", "4,8"},
    };
    for (const auto& args : bad) {
        EXPECT_THROW(parseOptions(args), UsageError) << args[1] << " " << args[2];
    }
}

// A temperature's text seeds its run, so it must not depend on where a sweep starts: in
// floating point 2 + 13 * 0.1 is 3.3 but 3.1 + 2 * 0.1 is 3.3000000000000003.
TEST(BatchSweep, TemperaturesAreExactDecimalsWhicheverSweepReachesThem) {
    using Texts = std::vector<std::string>;
    EXPECT_EQ(sweepTemperatures("3:1:-1"), (Texts{"3", "2", "1"}));
    EXPECT_EQ(sweepTemperatures("2:2:1"), (Texts{"2"}));
    const Texts whole = sweepTemperatures("2:4:0.1");
    ASSERT_EQ(whole.size(), 21u);
    EXPECT_EQ(Texts(whole.begin() + 11, whole.end()), sweepTemperatures("3.1:4:0.1"));
    EXPECT_EQ(whole.back(), "4");
    EXPECT_EQ(sweepTemperatures("0.7:1:0.1"), (Texts{"0.7", "0.8", "0.9", "1"}));
    EXPECT_EQ(sweepTemperatures("-0.2:0.2:0.1"), (Texts{"-0.2", "-0.1", "0", "0.1", "0.2"}));
    EXPECT_EQ(sweepTemperatures("1e-3:3E-3:0.0010"), (Texts{"0.001", "0.002", "0.003"}));
    EXPECT_EQ(sweepTemperatures("+2.50:3:.25"), (Texts{"2.5", "2.75", "3"}));
}

}  // namespace
}  // namespace spinlab::batch

namespace spinlab::batch {
namespace {

// Every option of the tool against the texts users get wrong: each either works as the
// conversion rules say, or fails with a message that names the option or the box.
TEST(BatchBadInput, EveryOptionEitherWorksOrNamesWhatFailed) {
    const std::vector<std::string> texts = {"",
                                            "   ",
                                            "abc",
                                            "1e3",
                                            "-0",
                                            "0.5",
                                            "-0.5",
                                            "2.5",
                                            "32767",
                                            "32768",
                                            "-32769",
                                            "1e400",
                                            "NaN",
                                            "inf",
                                            "&H10",
                                            "1,000",
                                            std::string(10000, '7'),
                                            "\xef\xbc\x96\xef\xbc\x90",
                                            "é"};
    struct Option {
        const char* flag;
        const char* simulation;
        const char* names;  // what a failure message must mention
    };
    const Option options[] = {
        {"--size", "square", "Lattice Size"},
        {"--temp", "square", "Temp"},
        {"--units", "chain", "Number of Chain Units"},
        {"--dynamics", "square", "--dynamics"},
        {"--trials", "square", "--trials"},
        {"--seed", "square", "--seed"},
        {"--obstacles", "ant", "--obstacles"},
        {"--every", "square", "--every"},
        {"--sweep", "square", "--sweep"},
        {"--burn-in", "square", "--burn-in"},
        {"--threads", "square", "--threads"},
    };
    for (const Option& option : options) {
        for (const std::string& text : texts) {
            SCOPED_TRACE(std::string(option.flag) + " \"" + text.substr(0, 20) + "\"");
            std::vector<std::string> args = {option.simulation, option.flag, text, "--seed", "1"};
            const std::string flag = option.flag;
            if (flag != "--trials") args.insert(args.end(), {"--trials", "2000"});
            if (flag == "--every") args.insert(args.end(), {"--series", "-"});
            if (flag == "--burn-in" || flag == "--threads")
                args.insert(args.end(), {"--sweep", "2:3:1"});
            if (flag == "--seed") args.erase(args.begin() + 3, args.begin() + 5);
            std::optional<Options> parsed;
            try {
                parsed = parseOptions(args);
            } catch (const UsageError& e) {
                EXPECT_NE(e.message.find(option.names), std::string::npos) << e.message;
                continue;
            }
            ASSERT_TRUE(parsed.has_value());
            if (flag == "--every" || flag == "--sweep" || flag == "--burn-in" ||
                flag == "--threads" || flag == "--obstacles" || flag == "--trials" ||
                flag == "--seed" || flag == "--dynamics") {
                continue;  // a whole number or a word the parser accepted is used as it stands
            }
            try {
                run(*parsed);
            } catch (const RunFailure& e) {
                EXPECT_NE(e.message.find(option.names), std::string::npos) << e.message;
                EXPECT_LT(e.message.size(), 200u) << "the text is shortened in the message";
            }
        }
    }
}

TEST(BatchBadInput, TextsThatConvertAreUsedAsTheWindowWouldUseThem) {
    // "2.5" rounds half-to-even to 2: units 0..2.
    const Report r = run(parse({"chain", "--units", "2.5", "--trials", "10", "--seed", "1"}));
    std::string counts = field(r, "counts");
    int units = 0;
    for (std::size_t i = 1; i < counts.size();) {
        std::size_t end = counts.find_first_of(",]", i);
        units += std::stoi(counts.substr(i, end - i));
        i = end + 2;
    }
    EXPECT_EQ(units, 3);  // units 0..2
}

}  // namespace
}  // namespace spinlab::batch
