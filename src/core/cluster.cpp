#include "core/cluster.h"

#include <cstddef>
#include <utility>

namespace spinlab {

namespace {

// The neighbour directions of a site, each axis -1, 0 or +1: the nearest ones or the block.
template <int D, bool Nearest>
constexpr auto directions() {
    constexpr int count = Nearest ? 2 * D : (D == 2 ? 8 : 26);
    std::array<std::array<int, 3>, count> out{};
    int k = 0;
    for (int a = -1; a <= 1; ++a) {
        for (int b = -1; b <= 1; ++b) {
            for (int c = D == 3 ? -1 : 0; c <= (D == 3 ? 1 : 0); ++c) {
                const int away = (a != 0) + (b != 0) + (c != 0);
                if (away == 0 || (Nearest && away > 1)) continue;
                out[static_cast<std::size_t>(k++)] = {a, b, c};
            }
        }
    }
    return out;
}

// What the lattice's edges do to a step along each axis: the offset of a step down from
// coordinate 0 and of a step up from n, wrapping to the far side or, with open edges, landing
// on the zero frame at -1.
struct Edges {
    std::int32_t n;
    std::int32_t step[3];
    std::int32_t downEdge[3];
    std::int32_t upEdge[3];

    explicit Edges(const ClusterLattice& g) : n(g.n) {
        for (int a = 0; a < 3; ++a) {
            step[a] = g.step[static_cast<std::size_t>(a)];
            downEdge[a] = g.wrap ? g.n * step[a] : -step[a];
            upEdge[a] = g.wrap ? -g.n * step[a] : -(g.n + 1) * step[a];
        }
    }
};

// Calls f(offset, coords) for every bond of the site `at`, in the order of directions(). Each
// step is worked out where it is used, so the compiler keeps them all in registers.
template <int D, bool Nearest, class F>
[[gnu::always_inline]] inline void forEachBond(const Edges& e, const ClusterSite& at, F&& f) {
    constexpr auto dirs = directions<D, Nearest>();
    [&]<std::size_t... K>(std::index_sequence<K...>) {
        (
            [&] {
                constexpr std::array<int, 3> d = dirs[K];
                std::int32_t offset = at.offset;
                std::uint32_t coords = at.coords;
                [&]<std::size_t... A>(std::index_sequence<A...>) {
                    (
                        [&] {
                            constexpr int a = static_cast<int>(A);
                            constexpr std::uint32_t unit = 1u << (10 * a);
                            const int c = at.coord(a);
                            const std::uint32_t across = static_cast<std::uint32_t>(e.n) * unit;
                            if constexpr (d[A] < 0) {
                                offset += c == 0 ? e.downEdge[a] : -e.step[a];
                                coords += c == 0 ? across : 0u - unit;
                            } else if constexpr (d[A] > 0) {
                                offset += c == e.n ? e.upEdge[a] : e.step[a];
                                coords += c == e.n ? 0u - across : unit;
                            }
                        }(),
                        ...);
                }
                (std::make_index_sequence<D>{});
                f(offset, coords);
            }(),
            ...);
    }
    (std::make_index_sequence<dirs.size()>{});
}

// Grows the cluster whose seed is sites[0], already marked, and returns the move's energy
// change. A member is marked `joined` (2 s0, which no longer matches s0) as it joins and takes
// the new spin -s0 once its bonds have been tried, so every bond inside the cluster is read
// once as s0 or `joined` (from the member tried first) and once as -s0 (from the other); only
// the bonds across the boundary remain in the sum, and the energy needs no second pass. The
// bonds are tried without a branch: the draws are taken from the block made ahead, one only
// where a like neighbour waits.
template <int D, bool Nearest>
[[gnu::noinline]] std::int64_t grow(const ClusterLattice& g, ClusterSite* sites, std::size_t& count,
                                    int s0, float p, Rng& rng) {
    constexpr int kBonds = static_cast<int>(directions<D, Nearest>().size());
    static_assert(kBonds <= Rng::kMaxLook);
    std::int8_t* const origin = g.origin;
    const Edges edges(g);
    const std::int8_t like = static_cast<std::int8_t>(s0);
    const std::int8_t joined = static_cast<std::int8_t>(2 * s0);
    const std::int8_t flipped = static_cast<std::int8_t>(-s0);
    // A bond's part in the sum by its cell's value & 3: 0 reads 0 (no site), s0 and joined +1,
    // -s0 -1.
    const std::int8_t part[4] = {0, like, 1, flipped};
    std::span<const float> ahead = rng.pending(kBonds);
    const float* draws = ahead.data();
    int left = static_cast<int>(ahead.size());
    int taken = 0;
    int sum = 0;
    std::size_t end = count;
    for (std::size_t next = 0; next < end; ++next) {
        if (left - taken < kBonds) [[unlikely]] {
            rng.take(taken);
            ahead = rng.pending(kBonds);
            draws = ahead.data();
            left = static_cast<int>(ahead.size());
            taken = 0;
        }
        const ClusterSite at = sites[next];
        origin[at.offset] = flipped;
        forEachBond<D, Nearest>(edges, at, [&](std::int32_t offset, std::uint32_t coords) {
            std::int8_t* const cell = origin + offset;
            const std::int8_t v = *cell;
            const int isLike = v == like;
            const float r = draws[taken];
            taken += isLike;
            const bool join = isLike & (r < p);
            sites[end] = {offset, coords};
            end += join;
            *cell = join ? joined : v;
            sum += part[v & 3];
        });
    }
    rng.take(taken);
    count = end;
    return 2 * static_cast<std::int64_t>(sum);
}

template <int D, bool Nearest>
std::int64_t aroundOf(const ClusterLattice& g, const ClusterSite& at) {
    std::int64_t around = 0;
    forEachBond<D, Nearest>(
        Edges(g), at, [&](std::int32_t offset, std::uint32_t) { around += g.origin[offset]; });
    return around;
}

}  // namespace

ClusterOutcome ClusterGrower::move(const ClusterLattice& g, std::array<int, 3> seed, float p,
                                   Rng& rng) {
    std::size_t cells = 1;
    ClusterSite first{0, 0};
    for (int a = 0; a < g.dims; ++a) {
        cells *= static_cast<std::size_t>(g.n + 1);
        const auto axis = static_cast<std::size_t>(a);
        first.offset += seed[axis] * g.step[axis];
        first.coords |= static_cast<std::uint32_t>(seed[axis]) << (10 * a);
    }
    // One spare entry: a bond writes its site at the end of the list before it knows whether
    // the site joins.
    if (sites_.size() < cells + 1) sites_.resize(cells + 1);
    sites_[0] = first;
    count_ = 1;
    std::int8_t* const cell = g.origin + first.offset;
    const int s0 = *cell;
    const bool three = g.dims == 3;
    if (s0 == 0) {
        *cell = 1;
        const std::int64_t around =
            three ? (g.nearest ? aroundOf<3, true>(g, first) : aroundOf<3, false>(g, first))
                  : (g.nearest ? aroundOf<2, true>(g, first) : aroundOf<2, false>(g, first));
        return {1, -around, 1};
    }
    *cell = static_cast<std::int8_t>(2 * s0);
    std::int64_t (*const kernel)(const ClusterLattice&, ClusterSite*, std::size_t&, int, float,
                                 Rng&) = three ? (g.nearest ? &grow<3, true> : &grow<3, false>)
                                               : (g.nearest ? &grow<2, true> : &grow<2, false>);
    ClusterOutcome out;
    out.energy = kernel(g, sites_.data(), count_, s0, p, rng);
    out.sites = static_cast<std::int64_t>(count_);
    out.magnetization = -2 * s0 * out.sites;
    return out;
}

}  // namespace spinlab
