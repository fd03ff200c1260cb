#pragma once
// The Wolff cluster move, for either lattice: from a seed site, grow the cluster of like spins
// joined by bonds that each hold with probability p = 1 - exp(-2/T), flip it whole, and report
// what it changed. The cluster is its own work list, kept between moves, so a cluster of every
// site of the largest lattice needs no recursion and no allocation once the first move has
// sized it.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "core/eventpump.h"
#include "core/rng.h"
#include "core/simstate.h"

namespace spinlab {

struct ClusterOutcome {
    std::int64_t sites = 0;          // flipped
    std::int64_t energy = 0;         // change of E = -(sum over coupled pairs of s_i s_j)
    std::int64_t magnetization = 0;  // change of the sum of the spins
};

// The bond probability at temperature t; none below 0 (no temperature makes bonds likelier
// than certain).
inline float bondProbability(double t) {
    const double p = 1.0 - std::exp(-2.0 / t);
    return static_cast<float>(std::clamp(p, 0.0, 1.0));
}

// A lattice as the cluster move sees it: sites at coordinates 0..n on each of `dims` axes, the
// cell of a site `step[a]` cells from its neighbour along axis a. A site is coupled to its 2 d
// nearest neighbours or to its whole 3^d block, across the edges when they wrap (a side of two
// couples a pair twice, each a bond of its own). Open edges need the cells at coordinate -1 on
// every axis to read 0, as the lattices' frames do: a neighbour beyond either edge is read there.
struct ClusterLattice {
    std::int8_t* origin;  // the cell of the site at coordinates 0
    int dims;             // 2 or 3
    int n;                // at most 1000
    std::array<std::int32_t, 3> step;
    bool wrap;
    bool nearest;
};

// A site of a cluster: its cell's offset from the origin and its coordinates, ten bits an axis
// from the lowest, so a neighbour's are a sum away.
struct ClusterSite {
    std::int32_t offset;
    std::uint32_t coords;
    int coord(int axis) const { return static_cast<int>(coords >> (10 * axis) & 1023u); }
};

class ClusterGrower {
public:
    // The sites the last move flipped, in the order they joined; all now hold its new spin.
    std::span<const ClusterSite> flipped() const { return {sites_.data(), count_}; }

    // One move from the site at `seed` (the coordinates beyond dims ignored). Only the bonds to
    // like neighbours take a draw. A cell a grown lattice has never set (0) joins as +1, alone:
    // it had no energy.
    ClusterOutcome move(const ClusterLattice& lattice, std::array<int, 3> seed, float p, Rng& rng);

    // Adds a move's changes to the running totals (a move's accepted count is the sites it
    // flipped). The pump spaces its services by the cost of the calls before, and moves grow
    // from a few sites to most of the lattice as it orders, so a service is asked for once
    // kServiceWork sites have flipped since the last.
    void account(const ClusterOutcome& o, Drift& drift, EventPump& pump) {
        drift.energy += o.energy;
        drift.magnetization += o.magnetization;
        drift.accepted += o.sites;
        work_ += o.sites;
        if (work_ >= kServiceWork) {
            pump.serviceSoon();
            work_ = 0;
        }
    }

private:
    static constexpr std::int64_t kServiceWork = std::int64_t{1} << 16;
    std::int64_t work_ = 0;
    std::vector<ClusterSite> sites_;  // the cluster, which is also the work list
    std::size_t count_ = 0;
};

}  // namespace spinlab
