// Long seeded runs against exact results: for lattices small enough to list every state, the
// Boltzmann average of the energy is summed here directly and the loop's time average must agree
// within four standard errors (batch means). This is what catches a wrong acceptance sign, a
// biased site draw or a neighbourhood that counts the wrong cells.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ising2d/observables.h"
#include "ising3d/observables.h"
#include "measure/stats.h"
#include "testkit/headless_program.h"

namespace spinlab {
namespace {

using testing::HeadlessProgram;

// Sites of an (n + 1)^d lattice in index order, and the pairs that interact: every two sites
// whose coordinates differ by at most one in each direction.
struct Graph {
    int sites = 0;
    std::vector<std::pair<int, int>> pairs;
};

Graph boxGraph(int n, int dims) {
    const int side = n + 1;
    Graph g;
    g.sites = dims == 2 ? side * side : side * side * side;
    auto coord = [&](int i, int k) {
        for (int j = 0; j < k; ++j)
            i /= side;
        return i % side;
    };
    for (int a = 0; a < g.sites; ++a) {
        for (int b = a + 1; b < g.sites; ++b) {
            bool near = true;
            for (int k = 0; k < dims; ++k)
                near = near && std::abs(coord(a, k) - coord(b, k)) <= 1;
            if (near) g.pairs.emplace_back(a, b);
        }
    }
    return g;
}

// <E> per site at temperature t, by listing all 2^sites states.
double exactEnergyPerSite(const Graph& g, double t) {
    double z = 0, ez = 0;
    for (std::uint32_t state = 0; state < (1u << g.sites); ++state) {
        int e = 0;
        for (auto [a, b] : g.pairs)
            e -= ((state >> a & 1) == (state >> b & 1)) ? 1 : -1;
        const double w = std::exp(-e / t);
        z += w;
        ez += e * w;
    }
    return ez / z / g.sites;
}

struct Case {
    const char* name;
    int dims;
    int n;
    bool glauber;
    const char* temp;
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    return out << c.name;
}

class ExactLattice : public ::testing::TestWithParam<Case> {};

TEST_P(ExactLattice, MeanEnergyPerSiteMatchesEnumeration) {
    const Case& c = GetParam();
    HeadlessProgram h(1234 + c.n);
    h.main().GridSize.setText(std::to_string(c.n));
    h.main().Temp.setText(c.temp);
    h.main().Glauber.setValue(c.glauber);
    h.main().Metropolis.setValue(!c.glauber);
    if (c.dims == 3) h.main().simulation3D.click();
    auto recount = [&] {
        const SimState& st = h.state();
        return c.dims == 2 ? squareEnergy(st.Lattice2D, c.n) : cubicEnergy(st.Lattice3D, c.n);
    };

    const Graph g = boxGraph(c.n, c.dims);
    constexpr std::uint64_t kTrials = 4'000'000;
    const std::uint64_t every = static_cast<std::uint64_t>(g.sites);
    std::vector<double> samples;
    std::int64_t offset = 0;
    bool first = true;
    h.pump.everyCall(
        [&] {
            const SimState& st = h.state();
            if (first) {
                offset = recount() - st.drift.energy;
                first = false;
            }
            // Burn in the first tenth.
            if (h.pump.calls() > kTrials / 10) {
                samples.push_back(double(offset + st.drift.energy) / g.sites);
            }
        },
        every);
    h.stopAfter(kTrials);
    h.start();

    // The running total agrees with a recount at the end.
    EXPECT_EQ(offset + h.state().drift.energy, recount());
    const Estimate e = batchMeans(samples, 20);
    const double exact = exactEnergyPerSite(g, std::stod(c.temp));
    EXPECT_GT(e.error, 0.0);
    EXPECT_NEAR(e.mean, exact, 4 * e.error) << "exact " << exact << ", error " << e.error;
}

INSTANTIATE_TEST_SUITE_P(TinyLattices, ExactLattice,
                         ::testing::Values(Case{"n1_metropolis_cold", 2, 1, false, "2"},
                                           Case{"n1_metropolis_hot", 2, 1, false, "8"},
                                           Case{"n1_glauber_cold", 2, 1, true, "2"},
                                           Case{"n1_glauber_hot", 2, 1, true, "8"},
                                           Case{"n2_metropolis_cold", 2, 2, false, "3"},
                                           Case{"n2_metropolis_hot", 2, 2, false, "9"},
                                           Case{"n2_glauber_cold", 2, 2, true, "3"},
                                           Case{"n2_glauber_hot", 2, 2, true, "9"},
                                           Case{"cube_metropolis_cold", 3, 1, false, "4"},
                                           Case{"cube_metropolis_hot", 3, 1, false, "20"},
                                           Case{"cube_glauber_cold", 3, 1, true, "4"},
                                           Case{"cube_glauber_hot", 3, 1, true, "20"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExactEnumeration, CountsTheTwoByTwoBlockByHand) {
    // Four sites all coupled: E = -6 for both aligned states, 0 for the eight with one spin
    // against three, +2 for the six with two and two.
    const Graph g = boxGraph(1, 2);
    ASSERT_EQ(g.pairs.size(), 6u);
    const double t = 2.0;
    const double z = 2 * std::exp(6 / t) + 8 + 6 * std::exp(-2 / t);
    const double e = (-6 * 2 * std::exp(6 / t) + 2 * 6 * std::exp(-2 / t)) / z;
    EXPECT_NEAR(exactEnergyPerSite(g, t), e / 4, 1e-12);
    EXPECT_EQ(boxGraph(1, 3).pairs.size(), 28u);  // the 2 x 2 x 2 cube: every pair
    EXPECT_EQ(boxGraph(2, 2).pairs.size(), 20u);
}

// The textbook model: each site coupled to the next one along every axis (wrapping at N, so a
// side of two couples a pair twice), in a field h. Returns <E> and <M> per site.
std::pair<double, double> exactNearest(int n, int dims, bool wrap, double h, double t) {
    const int side = n + 1;
    const int sites = dims == 2 ? side * side : side * side * side;
    std::vector<std::pair<int, int>> pairs;
    for (int a = 0; a < sites; ++a) {
        for (int k = 0, step = 1; k < dims; ++k, step *= side) {
            const int c = a / step % side;
            if (c < n) pairs.emplace_back(a, a + step);
            if (c == n && wrap && n > 0) pairs.emplace_back(a, a - n * step);
        }
    }
    double z = 0, ez = 0, mz = 0;
    for (std::uint32_t state = 0; state < (1u << sites); ++state) {
        auto spin = [&](int i) { return (state >> i & 1) ? 1 : -1; };
        double e = 0, m = 0;
        for (auto [a, b] : pairs)
            e -= spin(a) * spin(b);
        for (int i = 0; i < sites; ++i)
            m += spin(i);
        e -= h * m;
        const double w = std::exp(-e / t);
        z += w;
        ez += e * w;
        mz += m * w;
    }
    return {ez / z / sites, mz / z / sites};
}

struct ModelCase {
    const char* name;
    int dims;
    int n;
    bool wrap;
    bool glauber;
    const char* field;
    double temp;
};

std::ostream& operator<<(std::ostream& out, const ModelCase& c) {
    return out << c.name;
}

class ExactNearest : public ::testing::TestWithParam<ModelCase> {};

TEST_P(ExactNearest, MeanEnergyAndMagnetisationMatchEnumeration) {
    const ModelCase& c = GetParam();
    HeadlessProgram h(99 + c.n);
    h.main().GridSize.setText(std::to_string(c.n));
    h.main().Temp.setText(std::to_string(c.temp));
    h.main().Glauber.setValue(c.glauber);
    h.main().Metropolis.setValue(!c.glauber);
    ModelOptions& model = h.state().model;
    model.coupling = Coupling::Nearest;
    model.edges = c.wrap ? Edges::Periodic : Edges::Open;
    model.field = fieldFromText(c.field);
    if (c.dims == 3) h.main().simulation3D.click();
    auto bonds = [&] {
        const SimState& st = h.state();
        return c.dims == 2 ? squareBondEnergy(st.Lattice2D, c.n, st.model)
                           : cubicBondEnergy(st.Lattice3D, c.n, st.model);
    };
    auto spins = [&] {
        const SimState& st = h.state();
        return c.dims == 2 ? squareMagnetization(st.Lattice2D, c.n)
                           : cubicMagnetization(st.Lattice3D, c.n);
    };
    const int side = c.n + 1;
    const int sites = c.dims == 2 ? side * side : side * side * side;
    constexpr std::uint64_t kTrials = 3'000'000;
    std::vector<double> energy, magnetization;
    std::int64_t e0 = 0, m0 = 0;
    bool first = true;
    h.pump.everyCall(
        [&] {
            const Drift& d = h.state().drift;
            if (first) {
                e0 = bonds() - d.energy;
                m0 = spins() - d.magnetization;
                first = false;
            }
            if (h.pump.calls() <= kTrials / 10) return;
            const double m = double(m0 + d.magnetization);
            energy.push_back((double(e0 + d.energy) - model.field * m) / sites);
            magnetization.push_back(m / sites);
        },
        static_cast<std::uint64_t>(sites));
    h.stopAfter(kTrials);
    h.start();

    EXPECT_EQ(e0 + h.state().drift.energy, bonds());
    const auto [exactE, exactM] = exactNearest(c.n, c.dims, c.wrap, model.field, c.temp);
    const Estimate e = batchMeans(energy, 20);
    const Estimate m = batchMeans(magnetization, 20);
    EXPECT_NEAR(e.mean, exactE, 4 * e.error) << "error " << e.error;
    EXPECT_NEAR(m.mean, exactM, 4 * m.error) << "error " << m.error;
}

// Warm enough that the magnetisation's sign is not frozen, so its mean follows the field.
INSTANTIATE_TEST_SUITE_P(
    TinyLattices, ExactNearest,
    ::testing::Values(ModelCase{"square_open_metropolis_field", 2, 2, false, false, "0.5", 2.5},
                      ModelCase{"square_open_glauber", 2, 2, false, true, "0", 2.0},
                      ModelCase{"square_periodic_glauber_field", 2, 2, true, true, "-0.4", 3.0},
                      ModelCase{"square_periodic_metropolis", 2, 3, true, false, "0", 2.5},
                      ModelCase{"cube_open_glauber_field", 3, 1, false, true, "0.3", 3.0},
                      ModelCase{"cube_periodic_metropolis_field", 3, 1, true, false, "-0.6", 5.0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace spinlab
