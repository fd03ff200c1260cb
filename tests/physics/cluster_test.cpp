// The cluster update against exact enumeration: for lattices small enough to list every state,
// the Boltzmann averages of e, |m|, m^2 and the susceptibility, specific heat and Binder
// cumulant built from them must match the time averages of seeded cluster runs within four
// standard errors, for both couplings and both edges.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "ising2d/observables.h"
#include "ising3d/observables.h"
#include "measure/stats.h"
#include "testkit/headless_program.h"

namespace spinlab {
namespace {

using testing::HeadlessProgram;

struct Exact {
    double e = 0, absM = 0, m2 = 0, chi = 0, c = 0, u4 = 0;
};

// Every coupled pair once: from each site, the offsets that come later in (x, y, z) order
// (a wrapped side of two couples a pair twice, as the loops do).
Exact enumerate(int n, int dims, bool block, bool wrap, double t) {
    const int side = n + 1;
    const int sites = dims == 2 ? side * side : side * side * side;
    std::vector<std::pair<int, int>> pairs;
    for (int a = 0; a < sites; ++a) {
        const int c[3] = {a % side, a / side % side, a / side / side};
        for (int dz = dims == 3 ? -1 : 0; dz <= (dims == 3 ? 1 : 0); ++dz) {
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int d[3] = {dx, dy, dz};
                    const int away = (dx != 0) + (dy != 0) + (dz != 0);
                    const bool later = dz > 0 || (dz == 0 && (dy > 0 || (dy == 0 && dx > 0)));
                    if (!later || (!block && away > 1)) continue;
                    int b = 0, step = 1;
                    bool inside = true;
                    for (int k = 0; k < dims; ++k, step *= side) {
                        int v = c[k] + d[k];
                        if (wrap) v = (v + side) % side;
                        inside = inside && v >= 0 && v < side;
                        b += v * step;
                    }
                    if (inside) pairs.emplace_back(a, b);
                }
            }
        }
    }
    double z = 0, e = 0, e2 = 0, absM = 0, m2 = 0, m4 = 0;
    for (std::uint32_t state = 0; state < (1u << sites); ++state) {
        auto spin = [&](int i) { return (state >> i & 1) ? 1 : -1; };
        double energy = 0, m = 0;
        for (auto [a, b] : pairs)
            energy -= spin(a) * spin(b);
        for (int i = 0; i < sites; ++i)
            m += spin(i);
        const double w = std::exp(-energy / t);
        energy /= sites;
        m /= sites;
        z += w;
        e += energy * w;
        e2 += energy * energy * w;
        absM += std::fabs(m) * w;
        m2 += m * m * w;
        m4 += m * m * m * m * w;
    }
    Exact x{e / z, absM / z, m2 / z};
    x.chi = sites * (x.m2 - x.absM * x.absM) / t;
    x.c = sites * (e2 / z - x.e * x.e) / (t * t);
    x.u4 = 1 - (m4 / z) / (3 * x.m2 * x.m2);
    return x;
}

struct ClusterCase {
    const char* name;
    int dims;
    int n;
    bool block;
    bool wrap;
    double temp;
};

std::ostream& operator<<(std::ostream& out, const ClusterCase& c) {
    return out << c.name;
}

class ExactCluster : public ::testing::TestWithParam<ClusterCase> {};

TEST_P(ExactCluster, MomentsMatchEnumeration) {
    const ClusterCase& c = GetParam();
    HeadlessProgram h(7 + c.n + 10 * c.dims);
    h.main().GridSize.setText(std::to_string(c.n));
    h.main().Temp.setText(std::to_string(c.temp));
    ModelOptions& model = h.state().model;
    model.coupling = c.block ? Coupling::Block : Coupling::Nearest;
    model.edges = c.wrap ? Edges::Periodic : Edges::Open;
    model.cluster = true;
    if (c.dims == 3) h.main().simulation3D.click();
    auto count = [&] {
        const SimState& st = h.state();
        return c.dims == 2 ? std::pair{squareBondEnergy(st.Lattice2D, c.n, st.model),
                                       squareMagnetization(st.Lattice2D, c.n)}
                           : std::pair{cubicBondEnergy(st.Lattice3D, c.n, st.model),
                                       cubicMagnetization(st.Lattice3D, c.n)};
    };
    const int side = c.n + 1;
    const double sites = c.dims == 2 ? side * side : side * side * side;
    constexpr std::uint64_t kMoves = 400'000;
    std::vector<double> e, m, absM, m2;
    std::int64_t e0 = 0, m0 = 0;
    h.pump.everyCall([&] {
        const Drift& d = h.state().drift;
        if (h.pump.calls() == 1) {
            const auto [e1, m1] = count();
            e0 = e1 - d.energy;
            m0 = m1 - d.magnetization;
        }
        if (h.pump.calls() <= kMoves / 10) return;
        const double mm = double(m0 + d.magnetization) / sites;
        e.push_back(double(e0 + d.energy) / sites);
        m.push_back(mm);
        absM.push_back(std::fabs(mm));
        m2.push_back(mm * mm);
    });
    h.stopAfter(kMoves);
    h.start();

    // The moves' totals agree with a recount.
    EXPECT_EQ(std::pair(e0 + h.state().drift.energy, m0 + h.state().drift.magnetization), count());
    const Exact x = enumerate(c.n, c.dims, c.block, c.wrap, c.temp);
    const Fluctuations f = fluctuations(e, m, sites, c.temp);
    const std::array<std::pair<Estimate, double>, 6> checks{{{batchMeans(e), x.e},
                                                             {batchMeans(absM), x.absM},
                                                             {batchMeans(m2), x.m2},
                                                             {f.susceptibility, x.chi},
                                                             {f.specificHeat, x.c},
                                                             {f.binder, x.u4}}};
    const char* names[] = {"e", "|m|", "m^2", "chi", "c", "U4"};
    for (std::size_t k = 0; k < checks.size(); ++k) {
        const auto& [estimate, exact] = checks[k];
        EXPECT_GT(estimate.error, 0.0) << names[k];
        EXPECT_NEAR(estimate.mean, exact, 4 * estimate.error) << names[k];
    }
}

// Near each model's ordering, where a wrong bond probability shows most.
INSTANTIATE_TEST_SUITE_P(
    TinyLattices, ExactCluster,
    ::testing::Values(ClusterCase{"square_nearest_open", 2, 2, false, false, 2.0},
                      ClusterCase{"square_nearest_periodic", 2, 3, false, true, 2.5},
                      ClusterCase{"square_block_open", 2, 2, true, false, 4.0},
                      ClusterCase{"square_block_periodic", 2, 2, true, true, 6.0},
                      ClusterCase{"cube_nearest_periodic", 3, 1, false, true, 4.0},
                      ClusterCase{"cube_block_open", 3, 1, true, false, 10.0}),
    [](const auto& info) { return std::string(info.param.name); });

// Open edges end a cluster at N even where the cells beyond hold spins of an earlier, larger
// lattice: near T = 0 every bond holds, so a uniform lattice flips as exactly its (N + 1)^d
// sites and the cells beyond keep their spins.
TEST(ClusterEdges, OpenEdgesEndTheClusterWhateverLiesBeyond) {
    for (const int dims : {2, 3}) {
        for (const Coupling coupling : {Coupling::Nearest, Coupling::Block}) {
            SCOPED_TRACE(::testing::Message()
                         << dims << "d, block " << (coupling == Coupling::Block));
            HeadlessProgram h(3);
            h.main().GridSize.setText("4");
            h.main().Temp.setText("0.001");
            h.state().model.coupling = coupling;
            h.state().model.cluster = true;
            if (dims == 3) h.main().simulation3D.click();
            SimState& st = h.state();
            std::int64_t before = 0;
            h.pump.after(1, [&] {
                for (int x = 0; x <= 6; ++x)
                    for (int y = 0; y <= 6; ++y)
                        for (int z = 0; z <= 6; ++z)
                            dims == 2 ? st.Lattice2D.set(x, y, 1) : st.Lattice3D.set(x, y, z, 1);
                before = st.drift.accepted;
            });
            h.stopAfter(2);
            h.start();
            EXPECT_EQ(st.drift.accepted - before, dims == 2 ? 25 : 125);
            if (dims == 2) {
                EXPECT_EQ(squareMagnetization(st.Lattice2D, 4), -25);
                EXPECT_EQ(squareMagnetization(st.Lattice2D, 5), -25 + 11);
            } else {
                EXPECT_EQ(cubicMagnetization(st.Lattice3D, 4), -125);
                EXPECT_EQ(cubicMagnetization(st.Lattice3D, 5), -125 + 91);
            }
        }
    }
}

}  // namespace
}  // namespace spinlab
