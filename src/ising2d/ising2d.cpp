#include "ising2d/ising2d.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/cluster.h"
#include "core/program.h"
#include "core/rounding.h"
#include "core/runtime.h"
#include "core/sitedraw.h"

namespace spinlab {

void SetupPicture2D(Program& program) {
    MainForm& form = program.IsingModel();
    const float n = form.GridSize.cint();
    form.Picture1.setScaleHeight(n);
    form.Picture1.setScaleWidth(n);
    form.Picture1.setDrawWidth(penWidthForSize(form.GridSize.cint()));
}

void InitLattice2D(Program& program) {
    MainForm& form = program.IsingModel();
    SimState& state = form.state;
    Rng& rng = program.rng();
    const int columns = form.GridSize.cint();
    for (int x = 0; x <= columns; ++x) {
        const int rows = form.GridSize.cint();
        for (int y = 0; y <= rows; ++y) {
            RandomSpin(state, rng);
            form.Picture1.PSet(x, y, QBColor(state.SpinColor));
            // A size above 1000 fails here, at (0, 1001), after that dot has been painted.
            state.Lattice2D.set(x, y, state.SpinValue);
        }
    }
}

int clippedSiteSum(const SquareLattice& lattice, int x, int y, int n) {
    const int s = lattice.get(x, y);
    return s * clippedNeighbourTotal(lattice, x, y, n);
}

int clippedNeighbourTotal(const SquareLattice& lattice, int x, int y, int n) {
    const int x0 = x == 0 ? 0 : x - 1;
    const int y0 = y == 0 ? 0 : y - 1;
    const int x1 = x == n ? n : x + 1;
    const int y1 = y == n ? n : y + 1;
    int sum = 0;
    for (int i = x0; i <= x1; ++i) {
        for (int j = y0; j <= y1; ++j) {
            if (i != x || j != y) sum += lattice.get(i, j);
        }
    }
    return sum;
}

int modelNeighbourTotal(const SquareLattice& lattice, int x, int y, int n,
                        const ModelOptions& model) {
    const bool wrap = model.wraps(n);
    const bool nearest = model.coupling == Coupling::Nearest;
    int sum = 0;
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if ((dx == 0 && dy == 0) || (nearest && dx != 0 && dy != 0)) continue;
            int i = x + dx, j = y + dy;
            if (wrap) {
                i = i < 0 ? n : (i > n ? 0 : i);
                j = j < 0 ? n : (j > n ? 0 : j);
            } else if (i < 0 || j < 0 || i > n || j > n) {
                continue;
            }
            sum += lattice.get(i, j);
        }
    }
    return sum;
}

namespace {

// The neighbourhood of the model: the 3 x 3 block around the site with open edges. Another
// coupling or edge rule would be another policy with the same members.
struct OpenBlock {
    // The sum of the spins around a site of 0..N while the cells beyond N read 0: the zero frame
    // clips the low edges, the cleared cells the high ones.
    static int sum(const std::int8_t* c) {
        constexpr int S = SquareLattice::kStride;
        return c[-S - 1] + c[-S] + c[-S + 1] + c[-1] + c[1] + c[S - 1] + c[S] + c[S + 1];
    }

    // Clears column N + 1 and row N + 1 for a stretch of trials and puts back what an earlier,
    // larger run left there: inside the stretch no one else reads the lattice.
    class Edges {
    public:
        Edges(SquareLattice& lattice, int n, std::vector<std::int8_t>& keep)
            : lattice_(lattice), n_(n), keep_(keep) {
            keep_.clear();
            visit([this](std::int8_t& cell) {
                keep_.push_back(cell);
                cell = 0;
            });
        }
        ~Edges() {
            auto kept = keep_.begin();
            visit([&kept](std::int8_t& cell) { cell = *kept++; });
        }
        Edges(const Edges&) = delete;
        Edges& operator=(const Edges&) = delete;

    private:
        template <class F>
        void visit(F f) {
            std::int8_t* const beyond = lattice_.cell(n_ + 1, 0);
            for (int y = 0; y <= n_ + 1; ++y)
                f(beyond[y]);
            for (int x = 0; x <= n_; ++x)
                f(*lattice_.cell(x, n_ + 1));
        }
        SquareLattice& lattice_;
        int n_;
        std::vector<std::int8_t>& keep_;
    };
};

// What the quiet trials keep of their accepted flips: the offsets of the flipped cells from
// site (0, 0) in the order of the flips, and the running totals' changes.
struct FlipLog {
    std::vector<std::int32_t> flips;
    std::vector<std::uint8_t> marks;  // a byte per cell, made at the first use
    std::vector<std::int8_t> edges;   // what the cleared edges held
    std::int64_t energy = 0;
    std::int64_t magnetization = 0;
};

// Paints `count` logged flips. A site's dot is the same each time it is painted, so painting the
// flips in order, each in the colour its cell ends with, leaves the picture that painting each
// flip in its own colour would.
void paintFlips(int count, FlipLog& log, DotGrid& dots, const SquareLattice& lattice, int n) {
    if (count == 0) return;
    constexpr int S = SquareLattice::kStride;
    const std::uint32_t down = DotGrid::pixelOf(QBColor(9));
    const std::uint32_t up = DotGrid::pixelOf(QBColor(15));
    const std::int32_t* const flips = log.flips.data();
    const std::int8_t* const origin = lattice.cell(0, 0);
    auto colour = [=](int offset) { return origin[offset] == -1 ? down : up; };
    const auto sites = static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(n + 1);
    if (dots.disjoint() && sites <= 4 * static_cast<std::size_t>(count)) {
        // Each site has pixels of its own, and the order no longer matters: mark the flipped
        // sites, then paint each once.
        if (log.marks.empty()) log.marks.assign(static_cast<std::size_t>(S) * S, 0);
        std::uint8_t* const marks = log.marks.data();
        for (int i = 0; i < count; ++i)
            marks[flips[i]] = 1;
        const DotGrid::Forwards pen(dots);
        for (int x = 0; x <= n; ++x) {
            std::uint8_t* const column = marks + static_cast<std::size_t>(x) * S;
            for (int y = 0; y <= n; ++y) {
                if (!column[y]) continue;
                column[y] = 0;
                pen.paint(x, y, colour(x * S + y));
            }
        }
    } else if (!dots.crowded(static_cast<std::size_t>(count))) {
        const DotGrid::Forwards pen(dots);
        for (int i = 0; i < count; ++i)
            pen.paint(flips[i] / S, flips[i] % S, colour(flips[i]));
    } else {
        DotGrid::Backwards pen(dots);
        auto backwards = [&](auto mask) {
            for (int i = count - 1; i >= 0; --i)
                pen.paint<decltype(mask)::value>(flips[i] / S, flips[i] % S, colour(flips[i]));
        };
        using Mask = DotGrid::Backwards::Mask;
        if (pen.mask() == Mask::Columns) {
            backwards(std::integral_constant<Mask, Mask::Columns>{});
        } else {
            backwards(std::integral_constant<Mask, Mask::Pixels>{});
        }
    }
}

// The four nearest neighbours with open edges and no field: the block's loop and limits with
// half its loads, so the textbook model runs at least as fast as the block.
struct OpenNearest : OpenBlock {
    static int sum(const std::int8_t* c) {
        constexpr int S = SquareLattice::kStride;
        return c[-S] + c[-1] + c[1] + c[S];
    }
};

// Accepted flips a quiet stretch keeps before it paints them.
constexpr int kFlipLog = 1 << 15;

// The trials of one block of draws, three draws each (column, row, acceptance), on a lattice of
// size n within the array whose cells beyond n read 0; logs the accepted flips at `flips`, adds
// their changes to the totals and returns how many. Every argument is a plain value, so the loop
// keeps them all in registers.
template <class Block>
[[gnu::noinline]] int trialsOfBlock(const float* r, const float* end, std::int8_t* origin, int n,
                                    const float* limits, std::int32_t* flips, FlipLog& totals) {
    constexpr int S = SquareLattice::kStride;
    const float size = static_cast<float>(n);
    std::int32_t* logged = flips;
    // Over the flips: s * sum and s, the spin before (at most 170 trials, so no overflow).
    int energy = 0, spins = 0;
    for (; r != end; r += 3) {
        const int x = roundToInt(size * r[0]);
        const int y = roundToInt(size * r[1]);
        const int offset = x * S + y;
        std::int8_t* const c = origin + offset;
        const int sum = Block::sum(c);
        const int s = *c;
        if (s == 0) [[unlikely]] {
            // Only a lattice grown during its run has these: dE = 0, and +1 if accepted, which
            // changes the energy by -sum.
            const int taken = belowMask(r[2], limits[0]);
            *c = static_cast<std::int8_t>(taken & 1);
            totals.energy -= sum & taken;
            totals.magnetization += taken & 1;
            *logged = offset;
            logged -= taken;
            continue;
        }
        const int e = s * sum;
        // Masks rather than choices: the compiler would branch on a coin toss. A spin of +-1
        // flips by an exclusive or with -2.
        const int taken = belowMask(r[2], limits[2 * static_cast<std::ptrdiff_t>(e)]);
        *c = static_cast<std::int8_t>(s ^ (taken & -2));
        energy += e & taken;
        spins += s & taken;
        *logged = offset;
        logged -= taken;
    }
    totals.energy += 2 * energy;
    totals.magnetization -= 2 * spins;
    return static_cast<int>(logged - flips);
}

// The standard model's lattice as spins with the sum of each site's block (0..N, open edges),
// so a trial reads one cell and only an accepted flip touches its eight neighbours: the faster
// loop while flips are rare. Built from the lattice when the lattice's stamp says it changed
// outside the loop, kept across stretches, nested runs and the trials that run on their own.
class BlockField {
public:
    struct Cell {
        std::int8_t s, h;
    };
    static constexpr int S = SquareLattice::kStride;

    // Whether the sums hold for the lattice as it is now, over 0..n.
    bool holds(const SquareLattice& lattice, int n) const {
        return built_ && n == n_ && lattice.stamp() == stamp_;
    }
    // False when a cell of 0..n was never set: those trials keep the plain loop.
    bool build(const SquareLattice& lattice, int n) {
        if (cells_.empty()) cells_.resize(static_cast<std::size_t>(S) * S);
        built_ = false;
        const std::int8_t* const spins = lattice.cell(0, 0);
        Cell* const o = origin();
        // Only the frame around 0..n is ever read: clearing the whole store on each rebuild
        // would cost a small, often sampled lattice far more than its trials.
        for (int x = -1; x <= n + 1; ++x)
            std::fill_n(o + x * S - 1, n + 3, Cell{0, 0});
        for (int x = 0; x <= n; ++x) {
            for (int y = 0; y <= n; ++y) {
                const std::int8_t s = spins[x * S + y];
                if (s == 0) return false;
                o[x * S + y].s = s;
            }
        }
        for (int x = 0; x <= n; ++x) {
            for (int y = 0; y <= n; ++y) {
                const Cell* c = o + x * S + y;
                o[x * S + y].h =
                    static_cast<std::int8_t>(c[-S - 1].s + c[-S].s + c[-S + 1].s + c[-1].s +
                                             c[1].s + c[S - 1].s + c[S].s + c[S + 1].s);
            }
        }
        n_ = n;
        built_ = true;
        stamp_ = lattice.stamp();
        return true;
    }
    // After the loop's own writes: the sums were kept with them.
    void follow(const SquareLattice& lattice) { stamp_ = lattice.stamp(); }
    // A flip made outside the field's loop, at a site of 0..n, to the spin it now holds.
    static void flip(Cell* c, int now) {
        c->s = static_cast<std::int8_t>(now);
        const auto d = static_cast<std::int8_t>(2 * now);
        c[-S - 1].h += d;
        c[-S].h += d;
        c[-S + 1].h += d;
        c[-1].h += d;
        c[1].h += d;
        c[S - 1].h += d;
        c[S].h += d;
        c[S + 1].h += d;
    }
    Cell* origin() { return cells_.data() + S + 1; }

    // Whether the next stretch should use the sums, from the share of the last one's trials
    // that flipped: each flip costs eight updates, so they pay only while flips are rare (up to
    // about one in five on this machine, measured on 60 and 1000). The gap between the two marks
    // keeps a lattice near the break-even point from rebuilding.
    bool wanted(std::uint64_t trials, int flipped) {
        const double share = static_cast<double>(flipped) / static_cast<double>(trials);
        if (share < 0.15) prefer_ = true;
        if (share > 0.3) prefer_ = false;
        return prefer_;
    }
    bool preferred() const { return prefer_; }

private:
    std::vector<Cell> cells_;
    std::uint64_t stamp_ = 0;
    int n_ = -1;
    bool built_ = false;
    bool prefer_ = false;
};

// The sums outlive a run, as the lattice does; one per thread, as a sweep runs a program on
// each. The lattice's stamp tells them apart.
BlockField& blockField() {
    thread_local BlockField field;
    return field;
}

// trialsOfBlock for the standard model on its sums: the same draws, the same comparisons, the
// same flips, with the lattice written as the sums are.
[[gnu::noinline]] int fieldTrialsOfBlock(const float* r, const float* end, BlockField::Cell* field,
                                         std::int8_t* origin, int n, const float* limits,
                                         std::int32_t* flips, FlipLog& totals) {
    constexpr int S = SquareLattice::kStride;
    const float size = static_cast<float>(n);
    std::int32_t* logged = flips;
    int energy = 0, spins = 0;
    for (; r != end; r += 3) {
        const int offset = roundToInt(size * r[0]) * S + roundToInt(size * r[1]);
        BlockField::Cell* const c = field + offset;
        const int s = c->s;
        const int e = s * c->h;
        if (belowMask(r[2], limits[2 * static_cast<std::ptrdiff_t>(e)])) [[unlikely]] {
            BlockField::flip(c, -s);
            origin[offset] = static_cast<std::int8_t>(-s);
            energy += e;
            spins += s;
            *logged++ = offset;
        }
    }
    totals.energy += 2 * energy;
    totals.magnetization -= 2 * spins;
    return static_cast<int>(logged - flips);
}

// The limits of a model with a field for one stretch: limits[2 e + up] for e = s * sum in
// -reach..reach and up = 1 for s = +1, the flip costing 2 e + 2 s h.
void fieldLimits(AcceptanceRule& rule, double h, int reach, float* out) {
    for (int e = -reach; e <= reach; ++e) {
        for (int up = 0; up <= 1; ++up)
            out[2 * (e + reach) + up] = rule.limitOf(2.0 * e + (up ? 2.0 : -2.0) * h);
    }
}

// The other models' trials, as trialsOfBlock: the four nearest neighbours or the whole block,
// edges open (the cells beyond n read 0) or wrapped, and limits that know the spin's sign.
template <bool Nearest, bool Wrap>
[[gnu::noinline]] int modelTrialsOfBlock(const float* r, const float* end, std::int8_t* origin,
                                         int n, const float* limits, float unset,
                                         std::int32_t* flips, FlipLog& totals) {
    constexpr int S = SquareLattice::kStride;
    const float size = static_cast<float>(n);
    std::int32_t* logged = flips;
    int energy = 0, spins = 0;
    for (; r != end; r += 3) {
        const int x = roundToInt(size * r[0]);
        const int y = roundToInt(size * r[1]);
        const int xl = Wrap && x == 0 ? n : x - 1, xr = Wrap && x == n ? 0 : x + 1;
        const int yl = Wrap && y == 0 ? n : y - 1, yr = Wrap && y == n ? 0 : y + 1;
        const std::int8_t* const left = origin + xl * S;
        const std::int8_t* const right = origin + xr * S;
        const int offset = x * S + y;
        std::int8_t* const c = origin + offset;
        int sum = left[y] + right[y] + origin[x * S + yl] + origin[x * S + yr];
        if constexpr (!Nearest) sum += left[yl] + left[yr] + right[yl] + right[yr];
        const int s = *c;
        if (s == 0) [[unlikely]] {
            const int taken = belowMask(r[2], unset);
            *c = static_cast<std::int8_t>(taken & 1);
            totals.energy -= sum & taken;
            totals.magnetization += taken & 1;
            *logged = offset;
            logged -= taken;
            continue;
        }
        const int e = s * sum;
        const int taken = belowMask(r[2], limits[2 * e + ((s + 1) >> 1)]);
        *c = static_cast<std::int8_t>(s ^ (taken & -2));
        energy += e & taken;
        spins += s & taken;
        *logged = offset;
        logged -= taken;
    }
    totals.energy += 2 * energy;
    totals.magnetization -= 2 * spins;
    return static_cast<int>(logged - flips);
}

// What a stretch of the other models needs besides the lattice: the kernel and its limits.
struct ModelStretch {
    using Kernel = int (*)(const float*, const float*, std::int8_t*, int, const float*, float,
                           std::int32_t*, FlipLog&);
    Kernel kernel = nullptr;
    bool wrap = false;
    std::array<float, 2 * 17> table{};
    const float* limits = nullptr;  // table's entry for e = 0
    float unset = 0;

    ModelStretch(const ModelOptions& model, int n, AcceptanceRule& rule, const float* whole) {
        wrap = model.wraps(n);
        const bool nearest = model.coupling == Coupling::Nearest;
        kernel =
            nearest ? (wrap ? &modelTrialsOfBlock<true, true> : &modelTrialsOfBlock<true, false>)
                    : (wrap ? &modelTrialsOfBlock<false, true> : &modelTrialsOfBlock<false, false>);
        fieldLimits(rule, model.field, 8, table.data());
        limits = table.data() + 16;
        unset = whole[0];
    }
};

// Trials whose DoEvents will not service: nothing the user can change changes while they run,
// so N, the thresholds and the picture's scale hold for all of them. Each takes its column,
// row and acceptance draws in that order from the block drawn ahead and flips without a
// branch; the accepted flips are logged, then painted and added to the running totals before
// the stretch ends.
template <class Block>
void quietTrials(std::uint64_t trials, Rng& rng, SquareLattice& lattice, int n, const float* limits,
                 DotGrid& dots, FlipLog& log, SimState& state, const ModelStretch* model = nullptr,
                 BlockField* field = nullptr) {
    std::int8_t* const origin = lattice.cell(0, 0);
    std::int32_t* const flips = log.flips.data();
    log.energy = log.magnetization = 0;
    int flipped = 0;
    const float* last = nullptr;
    {
        // Wrapped edges read no cell beyond n, so they need no clearing.
        std::optional<typename Block::Edges> edges;
        // Nor do the sums, which were built with the edges open.
        if (!field && (!model || !model->wrap)) edges.emplace(lattice, n, log.edges);
        while (trials > 0) {
            const std::span<const float> ahead = rng.pending(3);
            const int count = static_cast<int>(std::min<std::uint64_t>(trials, ahead.size() / 3));
            if (flipped + count > kFlipLog) {
                paintFlips(flipped, log, dots, lattice, n);
                state.drift.accepted += flipped;
                flipped = 0;
            }
            last = ahead.data() + 3 * (count - 1);
            const float* const first = ahead.data();
            if (field) {
                flipped += fieldTrialsOfBlock(first, first + 3 * count, field->origin(), origin, n,
                                              limits, flips + flipped, log);
            } else if (model) {
                flipped += model->kernel(first, first + 3 * count, origin, n, model->limits,
                                         model->unset, flips + flipped, log);
            } else {
                flipped += trialsOfBlock<Block>(first, first + 3 * count, origin, n, limits,
                                                flips + flipped, log);
            }
            rng.take(3 * count);
            trials -= static_cast<std::uint64_t>(count);
        }
    }
    if (field) field->follow(lattice);
    paintFlips(flipped, log, dots, lattice, n);
    state.drift.accepted += flipped;
    state.drift.energy += log.energy;
    state.drift.magnetization += log.magnetization;
    // The site of the last trial, as a trial on its own leaves it.
    const float size = static_cast<float>(n);
    state.SiteX = roundToInt(size * last[0]);
    state.SiteY = roundToInt(size * last[1]);
}

// One trial of the cluster update: seed drawn as a trial's site, the cluster flipped, every
// flipped site painted in the order it joined, the totals moved, then DoEvents.
void clusterTrial(Program& program, ClusterGrower& grower, DotGrid& dots) {
    MainForm& form = program.IsingModel();
    SimState& state = form.state;
    Rng& rng = program.rng();
    const int x = drawIndex(rng, form.GridSize);
    const int y = drawIndex(rng, form.GridSize);
    const int n = form.GridSize.cint();
    // Out-of-range sizes and sites raise the lattice's own error, as a single flip's would.
    state.Lattice2D.get(n, n);
    state.Lattice2D.get(x, y);
    state.SiteX = x;
    state.SiteY = y;
    const float p = bondProbability(form.rule.temperature());
    const ClusterLattice lattice{state.Lattice2D.cell(0, 0),
                                 2,
                                 n,
                                 {SquareLattice::kStride, 1, 0},
                                 state.model.wraps(n),
                                 state.model.coupling == Coupling::Nearest};
    const ClusterOutcome o = grower.move(lattice, {x, y, 0}, p, rng);
    grower.account(o, state.drift, program.pump());
    // Every site of the move now holds the same spin.
    const std::uint32_t pixel = DotGrid::pixelOf(QBColor(o.magnetization < 0 ? 9 : 15));
    dots.follow(form.Picture1, SquareLattice::kMax, SquareLattice::kMax);
    const DotGrid::Forwards pen(dots);
    for (const ClusterSite& site : grower.flipped())
        pen.paint(site.coord(0), site.coord(1), pixel);
    program.pump().DoEvents();
}

}  // namespace

// Each trial follows the classic order: draw the site, sum its 3 x 3 block, ask CheckNoise,
// flip, DoEvents, repaint, count. Everything the user can change (the inputs, and through a
// nested Start the lattice and the site under trial) changes only inside a DoEvents that
// services, and the pump says how many calls will not: those trials run as one quiet stretch,
// and each trial whose DoEvents services, or whose inputs could fail, runs on its own.
void Run2D(Program& program) {
    MainForm& form = program.IsingModel();
    SimState& state = form.state;
    Rng& rng = program.rng();
    EventPump& pump = program.pump();
    AcceptanceRule& rule = form.rule;
    Surface& picture = form.Picture1;
    const TextBox& gridSize = form.GridSize;
    const Color colorDown = QBColor(9);
    const Color colorUp = QBColor(15);
    DotGrid dots;
    FlipLog log;
    log.flips.resize(kFlipLog + Rng::kBlock);
    log.edges.reserve(2 * (SquareLattice::kMax + 2));

    std::uint64_t trials = 0;
    ClusterGrower grower;
    while (state.Running) {
        if (state.model.cluster) {
            clusterTrial(program, grower, dots);
            ++trials;
            form.Label1.setNumber(trials);
            continue;
        }
        if (const std::uint64_t quiet = pump.quietCalls(); quiet > 0 && gridSize.cintConverts()) {
            const int n = gridSize.cint();
            const float* limits = rule.limits();
            if (limits && n >= 0 && n <= SquareLattice::kMax) {
                rng.Randomize();
                dots.follow(picture, SquareLattice::kMax, SquareLattice::kMax);
                const ModelOptions& m = state.model;
                if (m.standard()) {
                    BlockField& field = blockField();
                    const bool sums = field.preferred() && (field.holds(state.Lattice2D, n) ||
                                                            field.build(state.Lattice2D, n));
                    const auto before = state.drift.accepted;
                    quietTrials<OpenBlock>(quiet, rng, state.Lattice2D, n, limits, dots, log, state,
                                           nullptr, sums ? &field : nullptr);
                    field.wanted(quiet, static_cast<int>(state.drift.accepted - before));
                } else if (m.coupling == Coupling::Nearest && !m.wraps(n) && m.field == 0) {
                    quietTrials<OpenNearest>(quiet, rng, state.Lattice2D, n, limits, dots, log,
                                             state);
                } else {
                    const ModelStretch model(state.model, n, rule, limits);
                    quietTrials<OpenBlock>(quiet, rng, state.Lattice2D, n, limits, dots, log, state,
                                           &model);
                }
                pump.skipQuiet(quiet);
                trials += quiet;
                form.Label1.setNumber(trials);
                continue;
            }
        }

        const int x = drawIndex(rng, gridSize);
        const int y = drawIndex(rng, gridSize);
        const int n = gridSize.cint();
        state.SiteX = x;
        state.SiteY = y;

        const ModelOptions& model = state.model;
        const bool standard = model.standard();
        int total = 0, energy = 0;
        if (standard) {
            energy = siteSum(state.Lattice2D, x, y, n);
        } else {
            const int s = state.Lattice2D.get(x, y);
            total = modelNeighbourTotal(state.Lattice2D, x, y, n, model);
            energy = s * total;
        }
        const std::int8_t* const cell = std::as_const(state.Lattice2D).cell(x, y);

        const bool accepted = standard ? rule.accepts(2 * energy)
                                       : rule.acceptsAny(2.0 * energy + 2.0 * *cell * model.field);
        if (accepted) {
            const int old = *cell;
            const int now = old == 1 ? -1 : 1;
            // The stretches' sums follow this flip rather than be built again for the next one.
            BlockField& field = blockField();
            const bool kept =
                standard && x >= 0 && y >= 0 && x <= n && y <= n && field.holds(state.Lattice2D, n);
            *state.Lattice2D.cell(x, y) = static_cast<std::int8_t>(now);
            if (kept) {
                BlockField::flip(field.origin() + x * SquareLattice::kStride + y, now);
                field.follow(state.Lattice2D);
            }
            // A never-set cell (0) has no energy of its own, so its change is not 2 * energy.
            const int around = standard ? clippedNeighbourTotal(state.Lattice2D, x, y, n) : total;
            state.drift.energy += old != 0 ? 2 * energy : -around;
            state.drift.magnetization += now - old;
            ++state.drift.accepted;
        }

        if (pump.DoEvents()) {
            // A nested run may have moved the site under trial and rewritten the lattice. A
            // chain run leaves a unit index that may lie beyond the lattice: there is no site to
            // repaint then, and Stop must not turn into a bounds error.
            const std::int64_t sx = state.SiteX, sy = state.SiteY;
            if (accepted && sx >= 0 && sx <= SquareLattice::kMax && sy >= 0 &&
                sy <= SquareLattice::kMax) {
                const std::int16_t c = ChooseColor(state, double(sx), double(sy));
                picture.PSet(double(sx), double(sy), QBColor(c));
            }
            // A run of another simulation leaves its own site there, so this trial's flip is
            // painted too, in the colour its site holds now, or the picture would keep it stale.
            if (accepted) picture.PSet(x, y, *cell == -1 ? colorDown : colorUp);
        } else if (accepted) {
            picture.PSet(x, y, *cell == -1 ? colorDown : colorUp);
        }

        ++trials;
        form.Label1.setNumber(trials);
    }
}

}  // namespace spinlab
