// Whether the sweeps' error bars and warnings can be trusted, against the exact moments of the
// 4 x 4 torus (all 2^16 states listed here): over fixed seeds, the rows a sweep does not warn
// about hold the exact value within two errors about 95 % of the time, the jackknife errors
// match the scatter between seeds, and a run far from equilibrium is warned about.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "batch/options.h"
#include "batch/runners.h"
#include "measure/model.h"

namespace spinlab {
namespace {

using Row = std::map<std::string, std::string>;

// The one row of a single-temperature sweep, by column name.
Row sweepRow(std::vector<std::string> args) {
    args.insert(args.begin(), "square");
    const batch::Options o = *batch::parseOptions(args);
    std::FILE* f = std::tmpfile();
    batch::runSweep(*findModel("square"), o, f);
    std::rewind(f);
    std::vector<std::vector<std::string>> lines;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, f)) {
        if (buf[0] == '#') continue;
        std::vector<std::string> cells(1);
        for (const char* c = buf; *c && *c != '\n'; ++c)
            if (*c == ',') {
                cells.emplace_back();
            } else {
                cells.back().push_back(*c);
            }
        lines.push_back(cells);
    }
    std::fclose(f);
    Row row;
    for (std::size_t i = 0; i < lines.at(0).size(); ++i)
        row[lines[0][i]] = i < lines.at(1).size() ? lines[1][i] : "";
    return row;
}

double num(const Row& r, const std::string& key) {
    return std::stod(r.at(key));
}

// e, |m|, chi, c and U4 of the nearest-neighbour 4 x 4 torus at temperature t, per site.
std::map<std::string, double> exactTorus4(double t) {
    constexpr int side = 4, n = side * side;
    double z = 0, e1 = 0, e2 = 0, am = 0, m2 = 0, m4 = 0;
    for (std::uint32_t s = 0; s < (1u << n); ++s) {
        int e = 0;
        for (int i = 0; i < n; ++i) {
            const int right = i / side * side + (i % side + 1) % side, down = (i + side) % n;
            e -= ((s >> i ^ s >> right) & 1) ? -1 : 1;
            e -= ((s >> i ^ s >> down) & 1) ? -1 : 1;
        }
        const double m = double(2 * __builtin_popcount(s) - n) / n, es = double(e) / n;
        const double w = std::exp(-e / t);
        z += w, e1 += w * es, e2 += w * es * es, am += w * std::fabs(m), m2 += w * m * m;
        m4 += w * m * m * m * m;
    }
    e1 /= z, e2 /= z, am /= z, m2 /= z, m4 /= z;
    return {{"energy", e1},
            {"abs_m", am},
            {"chi", n * (m2 - am * am) / t},
            {"c", n * (e2 - e1 * e1) / (t * t)},
            {"u4", 1 - m4 / (3 * m2 * m2)}};
}

TEST(ErrorBars, RowsWithoutWarningHoldTheExactValuesOfTheTinyTorus) {
    const auto exact = exactTorus4(2.269);
    constexpr int kSeeds = 40;
    // 200 sweeps of 16 sites (short: warned or honest) and 20,000 (long: honest, not warned).
    for (const int sweeps : {200, 20000}) {
        SCOPED_TRACE(std::to_string(sweeps) + " sweeps");
        std::vector<Row> rows;
        for (int seed = 1; seed <= kSeeds; ++seed) {
            rows.push_back(sweepRow({"--size", "3", "--coupling", "nearest", "--edges", "periodic",
                                     "--sweep", "2.269:2.269:1", "--trials",
                                     std::to_string(16 * sweeps), "--seed", std::to_string(seed)}));
        }
        int warned = 0;
        for (const Row& r : rows)
            warned += r.at("warning").empty() ? 0 : 1;
        if (sweeps > 1000) {
            EXPECT_LE(warned, kSeeds / 10);
        }
        for (const auto& [q, value] : exact) {
            int unwarned = 0, held = 0;
            double sum = 0, sumSq = 0, errors = 0;
            for (const Row& r : rows) {
                const double mean = num(r, q + "_mean"), error = num(r, q + "_err");
                sum += mean, sumSq += mean * mean, errors += error;
                if (!r.at("warning").empty()) continue;
                ++unwarned;
                held += std::fabs(mean - value) <= 2 * error ? 1 : 0;
            }
            // Two errors hold 95 %; 85 % leaves three standard deviations of 40 seeds.
            if (unwarned >= 5) {
                EXPECT_GE(held, 0.85 * unwarned) << q;
            }
            if (sweeps < 1000) continue;
            // The errors (jackknife for chi, c and U4) against the scatter over seeds: the
            // scatter of 40 values and 20-batch errors are each good to about 15 %.
            const double scatter = std::sqrt((sumSq - sum * sum / kSeeds) / (kSeeds - 1));
            EXPECT_GT(errors / kSeeds, scatter / 1.5) << q;
            EXPECT_LT(errors / kSeeds, scatter * 1.5) << q;
        }
    }
}

// The 64 x 64 torus at Tc with the defaults (244 sweeps) is far from equilibrium; the cluster
// update gets there in 20,000 moves of the 16 x 16 torus. A burn-in of nothing at T = 1.8
// keeps the ordering in the averages: the halves drift apart.
TEST(ErrorBars, RunsFarFromEquilibriumAreWarnedAboutAndLongOnesAreNot) {
    const std::vector<std::string> torus = {"--coupling", "nearest", "--edges", "periodic"};
    auto with = [&](std::vector<std::string> args) {
        args.insert(args.end(), torus.begin(), torus.end());
        return sweepRow(args);
    };
    EXPECT_NE(with({"--size", "63", "--sweep", "2.269:2.269:1", "--seed", "1"}).at("warning"), "");
    const Row drifting = with({"--size", "31", "--sweep", "1.8:1.8:1", "--seed", "1", "--burn-in",
                               "0", "--trials", "200000"});
    EXPECT_NE(drifting.at("warning").find("not equilibrated: m drifts"), std::string::npos);
    for (const char* seed : {"1", "2", "3"}) {
        const Row r = with({"--size", "15", "--sweep", "2.269:2.269:1", "--seed", seed,
                            "--dynamics", "wolff", "--trials", "20000"});
        EXPECT_EQ(r.at("warning"), "") << "seed " << seed;
        // A cluster move flips a good part of the lattice: far more than one site of work.
        EXPECT_GT(num(r, "sweeps"), 20000.0 / 256);
    }
}

}  // namespace
}  // namespace spinlab
