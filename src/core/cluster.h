#pragma once
// The Wolff cluster move, for either lattice: from a seed site, grow the cluster of like spins
// joined by bonds that each hold with probability p = 1 - exp(-2/T), flip it whole, and report
// what it changed. An explicit stack and flags kept between moves, so a cluster of every site of
// the largest lattice needs no recursion and no allocation once the first move has sized them.

#include <algorithm>
#include <cmath>
#include <cstdint>
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

class ClusterGrower {
public:
    // The cells the last move flipped, as the lattice network names them.
    const std::vector<std::int32_t>& flipped() const { return members_; }

    // `net` gives cell(i) (the spin of cell i), cells() (one more than the largest i) and
    // neighbours(i, f), which calls f(j) for every cell coupled to i, a cell coupled twice (a
    // wrapped side of two) twice: each is a bond of its own.
    template <class Net>
    ClusterOutcome move(Net& net, std::int32_t seed, float p, Rng& rng) {
        ClusterOutcome out;
        members_.clear();
        std::int8_t* const first = net.cell(seed);
        const int s0 = *first;
        if (s0 == 0) {
            // A cell a grown lattice has never set joins as +1, alone: it had no energy.
            *first = 1;
            std::int64_t around = 0;
            net.neighbours(seed, [&](std::int32_t j) { around += *net.cell(j); });
            members_.push_back(seed);
            return {1, -around, 1};
        }
        if (marks_.size() < static_cast<std::size_t>(net.cells())) marks_.assign(net.cells(), 0);
        if (++stamp_ == 0) {
            std::fill(marks_.begin(), marks_.end(), 0);
            stamp_ = 1;
        }
        // A member is flipped as it joins, so it never matches s0 again.
        auto join = [&](std::int32_t i, std::int8_t* c) {
            *c = static_cast<std::int8_t>(-s0);
            marks_[static_cast<std::size_t>(i)] = stamp_;
            members_.push_back(i);
        };
        join(seed, first);
        for (std::size_t next = 0; next < members_.size(); ++next) {
            net.neighbours(members_[next], [&](std::int32_t j) {
                std::int8_t* const c = net.cell(j);
                if (*c == s0 && rng.Rnd() < p) join(j, c);
            });
        }
        // Only bonds across the cluster's boundary change: each by 2 s0 s_j.
        std::int64_t boundary = 0;
        for (const std::int32_t i : members_) {
            net.neighbours(i, [&](std::int32_t j) {
                if (marks_[static_cast<std::size_t>(j)] != stamp_) boundary += *net.cell(j);
            });
        }
        out.sites = static_cast<std::int64_t>(members_.size());
        out.energy = 2 * s0 * boundary;
        out.magnetization = -2 * s0 * out.sites;
        return out;
    }

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
    std::vector<std::int32_t> members_;  // the cluster, which is also the work list
    std::vector<std::uint32_t> marks_;   // stamp_ on the members of the move under way
    std::uint32_t stamp_ = 0;
};

}  // namespace spinlab
