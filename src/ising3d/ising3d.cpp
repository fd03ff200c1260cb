#include "ising3d/ising3d.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "core/cluster.h"
#include "core/program.h"
#include "core/rounding.h"
#include "core/runtime.h"
#include "core/sitedraw.h"
#include "ising3d/planeviews.h"

namespace spinlab {

void InitLattice3D(Program& program) {
    MainForm& form = program.IsingModel();
    SimState& state = form.state;
    Rng& rng = program.rng();
    const TextBox& gridSize = form.GridSize;
    const int layers = gridSize.cint();
    for (int z = 0; z <= layers; ++z) {
        const int columns = gridSize.cint();
        for (int x = 0; x <= columns; ++x) {
            const int rows = gridSize.cint();
            for (int y = 0; y <= rows; ++y) {
                RandomSpin(state, rng);
                // A size above 100 fails here, at (0, 101, 0), after its spin was drawn.
                state.Lattice3D.set(x, y, z, state.SpinValue);
            }
        }
    }
}

int clippedBoxSum(const CubicLattice& lattice, int x, int y, int z, int n) {
    const int s = lattice.get(x, y, z);
    return s * clippedBoxTotal(lattice, x, y, z, n);
}

int clippedBoxTotal(const CubicLattice& lattice, int x, int y, int z, int n) {
    const int xlo = x == 0 ? 0 : x - 1;
    const int ylo = y == 0 ? 0 : y - 1;
    const int zlo = z == 0 ? 0 : z - 1;
    const int xhi = x == n ? n : x + 1;
    const int yhi = y == n ? n : y + 1;
    const int zhi = z == n ? n : z + 1;
    int sum = 0;
    for (int k = zlo; k <= zhi; ++k) {
        for (int i = xlo; i <= xhi; ++i) {
            for (int j = ylo; j <= yhi; ++j) {
                if (i != x || j != y || k != z) sum += lattice.get(i, j, k);
            }
        }
    }
    return sum;
}

int modelBoxTotal(const CubicLattice& lattice, int x, int y, int z, int n,
                  const ModelOptions& model) {
    const bool wrap = model.wraps(n);
    const bool nearest = model.coupling == Coupling::Nearest;
    auto place = [&](int i, bool& skip) {
        if (wrap) return i < 0 ? n : (i > n ? 0 : i);
        skip = skip || i < 0 || i > n;
        return i;
    };
    int sum = 0;
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dz = -1; dz <= 1; ++dz) {
                const int moved = (dx != 0) + (dy != 0) + (dz != 0);
                if (moved == 0 || (nearest && moved > 1)) continue;
                bool skip = false;
                const int i = place(x + dx, skip), j = place(y + dy, skip), k = place(z + dz, skip);
                if (!skip) sum += lattice.get(i, j, k);
            }
        }
    }
    return sum;
}

namespace {

bool inCube(std::int64_t x, std::int64_t y, std::int64_t z) {
    constexpr std::int64_t kMax = CubicLattice::kMax;
    return x >= 0 && x <= kMax && y >= 0 && y <= kMax && z >= 0 && z <= kMax;
}

// The neighbourhood of the model: the 3 x 3 x 3 box around the site with open edges, nine
// rows of three cells along z. Another coupling or edge rule would be another policy.
struct OpenBox {
    static int row(const std::int8_t* c) { return c[-1] + c[0] + c[1]; }
    // The sum around a site below N in every direction, the zero frame clipping the low edges.
    static int inner(const std::int8_t* c) {
        constexpr std::ptrdiff_t X = CubicLattice::kStepX, Y = CubicLattice::kStepY;
        return row(c - X - Y) + row(c - X) + row(c - X + Y) + row(c - Y) + c[-1] + c[1] +
               row(c + Y) + row(c + X - Y) + row(c + X) + row(c + X + Y);
    }
    // The same on the high faces (a coordinate equal to N, N within the array), where the cells
    // beyond N must not count.
    [[gnu::noinline]] static int edge(const std::int8_t* c, int x, int y, int z, int n) {
        constexpr std::ptrdiff_t X = CubicLattice::kStepX, Y = CubicLattice::kStepY;
        const int wx = x < n, wy = y < n, wz = z < n;
        auto line = [wz](const std::int8_t* p) { return p[-1] + p[0] + wz * p[1]; };
        auto plane = [&](const std::int8_t* p) { return line(p - Y) + line(p) + wy * line(p + Y); };
        return plane(c - X) + plane(c) + wx * plane(c + X) - c[0];
    }
};

// An accepted flip as the quiet passes log it: the cell's offset from site (0, 0, 0), then
// s * sum + 26 and whether s was -1, or the sum + 26 and a mark for a never-set cell (s = 0).
struct Flip {
    static constexpr std::uint32_t kDown = 1u << 27;
    static constexpr std::uint32_t kUnset = 1u << 28;
    static std::uint32_t pack(int offset, int energy, int s) {
        return static_cast<std::uint32_t>(offset | (energy + 26) << 21) |
               (static_cast<std::uint32_t>(s) & kDown);
    }
    static std::uint32_t unset(int offset, int sum) {
        return static_cast<std::uint32_t>(offset | (sum + 26) << 21) | kUnset;
    }
    static int offset(std::uint32_t f) { return static_cast<int>(f & 0x1FFFFFu); }
    static int value(std::uint32_t f) { return static_cast<int>(f >> 21 & 63u) - 26; }
};

// Accepted flips a quiet stretch keeps before it repaints them.
constexpr int kFlipLog = 1 << 15;

// The passes of one block of draws, four draws each (x, y, z, acceptance), on a lattice of size
// n within the array; logs the accepted flips at `flips` and returns how many. Every argument is
// a plain value, so the loop keeps them all in registers.
template <class Box>
[[gnu::noinline]] int passesOfBlock(const float* r, const float* end, std::int8_t* origin, int n,
                                    const float* limits, std::uint32_t* flips) {
    constexpr int X = static_cast<int>(CubicLattice::kStepX);
    constexpr int Y = static_cast<int>(CubicLattice::kStepY);
    const float size = static_cast<float>(n);
    std::uint32_t* logged = flips;
    for (; r != end; r += 4) {
        const int x = roundToInt(size * r[0]);
        const int y = roundToInt(size * r[1]);
        const int z = roundToInt(size * r[2]);
        const int offset = x * X + y * Y + z;
        std::int8_t* const c = origin + offset;
        const int sum = x < n && y < n && z < n ? Box::inner(c) : Box::edge(c, x, y, z, n);
        const int s = *c;
        if (s == 0) [[unlikely]] {
            // Only a lattice grown during its run has these: dE = 0, and +1 if accepted.
            const int a = -belowMask(r[3], limits[0]);
            *c = static_cast<std::int8_t>(a);
            *logged = Flip::unset(offset, sum);
            logged += a;
            continue;
        }
        const int e = s * sum;
        const int a = -belowMask(r[3], limits[2 * e]);
        *c = static_cast<std::int8_t>(a ? -s : s);
        *logged = Flip::pack(offset, e, s);
        logged += a;
    }
    return static_cast<int>(logged - flips);
}

// The other models' passes, as passesOfBlock: the six nearest neighbours or the whole box, edges
// open or wrapped, and limits that know the spin's sign (limits[2 e + up], the flip costing
// 2 e + 2 s h).
template <bool Nearest, bool Wrap>
[[gnu::noinline]] int modelPassesOfBlock(const float* r, const float* end, std::int8_t* origin,
                                         int n, const float* limits, float unset,
                                         std::uint32_t* flips) {
    constexpr int X = static_cast<int>(CubicLattice::kStepX);
    constexpr int Y = static_cast<int>(CubicLattice::kStepY);
    const float size = static_cast<float>(n);
    std::uint32_t* logged = flips;
    for (; r != end; r += 4) {
        const int x = roundToInt(size * r[0]);
        const int y = roundToInt(size * r[1]);
        const int z = roundToInt(size * r[2]);
        const int offset = x * X + y * Y + z;
        std::int8_t* const c = origin + offset;
        int sum = 0;
        if constexpr (Wrap) {
            const int xs[3] = {(x == 0 ? n : x - 1) * X, x * X, (x == n ? 0 : x + 1) * X};
            const int ys[3] = {(y == 0 ? n : y - 1) * Y, y * Y, (y == n ? 0 : y + 1) * Y};
            const int zs[3] = {z == 0 ? n : z - 1, z, z == n ? 0 : z + 1};
            if constexpr (Nearest) {
                sum = origin[xs[0] + ys[1] + z] + origin[xs[2] + ys[1] + z] +
                      origin[xs[1] + ys[0] + z] + origin[xs[1] + ys[2] + z] +
                      origin[xs[1] + ys[1] + zs[0]] + origin[xs[1] + ys[1] + zs[2]];
            } else {
                for (const int i : xs) {
                    for (const int j : ys)
                        sum +=
                            origin[i + j + zs[0]] + origin[i + j + zs[1]] + origin[i + j + zs[2]];
                }
                sum -= *c;
            }
        } else if constexpr (Nearest) {
            // The zero frame clips the low faces; the high ones are weighed out.
            sum = c[-X] + (x < n) * c[X] + c[-Y] + (y < n) * c[Y] + c[-1] + (z < n) * c[1];
        } else {
            sum = x < n && y < n && z < n ? OpenBox::inner(c) : OpenBox::edge(c, x, y, z, n);
        }
        const int s = *c;
        if (s == 0) [[unlikely]] {
            const int a = -belowMask(r[3], unset);
            *c = static_cast<std::int8_t>(a);
            *logged = Flip::unset(offset, sum);
            logged += a;
            continue;
        }
        const int e = s * sum;
        const int a = -belowMask(r[3], limits[2 * e + ((s + 1) >> 1)]);
        *c = static_cast<std::int8_t>(a ? -s : s);
        *logged = Flip::pack(offset, e, s);
        logged += a;
    }
    return static_cast<int>(logged - flips);
}

// What a stretch of the other models needs: the kernel and its limits.
struct ModelStretch {
    using Kernel = int (*)(const float*, const float*, std::int8_t*, int, const float*, float,
                           std::uint32_t*);
    Kernel kernel = nullptr;
    std::array<float, 2 * 53> table{};
    const float* limits = nullptr;  // table's entry for e = 0
    float unset = 0;

    ModelStretch(const ModelOptions& model, int n, AcceptanceRule& rule, const float* whole) {
        const bool wrap = model.wraps(n);
        if (model.coupling == Coupling::Nearest) {
            kernel = wrap ? &modelPassesOfBlock<true, true> : &modelPassesOfBlock<true, false>;
        } else {
            kernel = wrap ? &modelPassesOfBlock<false, true> : &modelPassesOfBlock<false, false>;
        }
        for (int e = -26; e <= 26; ++e) {
            for (int up = 0; up <= 1; ++up)
                table[2 * (e + 26) + up] = rule.limitOf(2.0 * e + (up ? 2.0 : -2.0) * model.field);
        }
        limits = table.data() + 52;
        unset = whole[0];
    }
};

// Adds `count` logged flips to the totals and repaints, in order, those in a plane on show.
void replayFlips(const std::uint32_t* flips, int count, View3DForm& view, Drift& drift) {
    constexpr int X = static_cast<int>(CubicLattice::kStepX);
    constexpr int Y = static_cast<int>(CubicLattice::kStepY);
    const int m = view.plane;
    const Color down = QBColor(9);
    const Color up = QBColor(15);
    std::int64_t energy = 0, magnetization = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t f = flips[i];
        bool nowUp = true;
        if (f & Flip::kUnset) [[unlikely]] {
            energy -= Flip::value(f);
            magnetization += 1;
        } else {
            nowUp = (f & Flip::kDown) != 0;
            energy += 2 * Flip::value(f);
            magnetization += 4 * int{nowUp} - 2;
        }
        const int offset = Flip::offset(f);
        const int x = offset / X, y = offset % X / Y, z = offset % Y;
        if (x == m || y == m || z == m) repaintSite(view, x, y, z, nowUp ? up : down);
    }
    drift.energy += energy;
    drift.magnetization += magnetization;
    drift.accepted += count;
}

// Passes whose DoEvents will not service, as the square lattice's quiet trials: N, the
// thresholds and the planes on show hold for all of them. Each takes its x, y, z and acceptance
// draws in that order and flips without a branch; the accepted flips are logged, then added to
// the totals and those in a shown plane repainted, in order, before the stretch ends.
template <class Box>
void quietPasses(std::uint64_t passes, Rng& rng, CubicLattice& lattice, int n, const float* limits,
                 View3DForm& view, std::uint32_t* flips, SimState& state,
                 const ModelStretch* model = nullptr) {
    std::int8_t* const origin = lattice.cell(0, 0, 0);
    int flipped = 0;
    const float* last = nullptr;
    while (passes > 0) {
        const std::span<const float> ahead = rng.pending(4);
        const int count = static_cast<int>(std::min<std::uint64_t>(passes, ahead.size() / 4));
        if (flipped + count > kFlipLog) {
            replayFlips(flips, flipped, view, state.drift);
            flipped = 0;
        }
        last = ahead.data() + 4 * (count - 1);
        const float* const first = ahead.data();
        flipped += model ? model->kernel(first, first + 4 * count, origin, n, model->limits,
                                         model->unset, flips + flipped)
                         : passesOfBlock<Box>(first, first + 4 * count, origin, n, limits,
                                              flips + flipped);
        rng.take(4 * count);
        passes -= static_cast<std::uint64_t>(count);
    }
    replayFlips(flips, flipped, view, state.drift);
    const float size = static_cast<float>(n);
    state.SiteX = roundToInt(size * last[0]);
    state.SiteY = roundToInt(size * last[1]);
    state.SiteZ = static_cast<std::int16_t>(roundToInt(size * last[2]));
}

// One pass of the cluster update, as the square lattice's: the flipped sites on the planes on
// show are repainted.
void clusterPass(Program& program, ClusterGrower& grower) {
    MainForm& form = program.IsingModel();
    View3DForm& view = program.n3DPicForm();
    SimState& state = form.state;
    Rng& rng = program.rng();
    const int x = drawIndex(rng, form.GridSize);
    const int y = drawIndex(rng, form.GridSize);
    const int z = drawIndex(rng, form.GridSize);
    const int n = form.GridSize.cint();
    state.Lattice3D.get(n, n, n);
    state.Lattice3D.get(x, y, z);
    state.SiteX = x;
    state.SiteY = y;
    state.SiteZ = static_cast<std::int16_t>(z);
    const float p = bondProbability(form.rule.temperature());
    const ClusterLattice lattice{state.Lattice3D.cell(0, 0, 0),
                                 3,
                                 n,
                                 {static_cast<std::int32_t>(CubicLattice::kStepX),
                                  static_cast<std::int32_t>(CubicLattice::kStepY), 1},
                                 state.model.wraps(n),
                                 state.model.coupling == Coupling::Nearest};
    const ClusterOutcome o = grower.move(lattice, {x, y, z}, p, rng);
    grower.account(o, state.drift, program.pump());
    // Every site of the move now holds the same spin.
    const Color colour = QBColor(o.magnetization < 0 ? 9 : 15);
    const int m = view.plane;
    for (const ClusterSite& site : grower.flipped()) {
        const int sx = site.coord(0), sy = site.coord(1), sz = site.coord(2);
        if (sx == m || sy == m || sz == m) repaintSite(view, sx, sy, sz, colour);
    }
    program.pump().DoEvents();
}

}  // namespace

// Each pass follows the classic order: draw the site, sum its 3 x 3 x 3 box, ask CheckNoise,
// flip, DoEvents, repaint, count. Everything the user can change (the inputs, and through a
// nested Start the lattice, the site under trial and the planes on show) changes only inside
// a DoEvents that services, so the site and the planes are re-read only after the pump has
// actually run, and the passes whose DoEvents will not service run as one quiet stretch.
void Run3D(Program& program) {
    MainForm& form = program.IsingModel();
    View3DForm& view = program.n3DPicForm();
    SimState& state = form.state;
    Rng& rng = program.rng();
    EventPump& pump = program.pump();
    AcceptanceRule& rule = form.rule;
    const TextBox& gridSize = form.GridSize;
    const Color colorDown = QBColor(9);
    const Color colorUp = QBColor(15);

    std::vector<std::uint32_t> flips(kFlipLog + Rng::kBlock);

    std::uint64_t passes = 0;
    ClusterGrower grower;
    while (state.Running) {
        if (state.model.cluster) {
            clusterPass(program, grower);
            ++passes;
            view.Label1.setNumber(passes);
            continue;
        }
        if (const std::uint64_t quiet = pump.quietCalls(); quiet > 0 && gridSize.cintConverts()) {
            const int n = gridSize.cint();
            const float* limits = rule.limits();
            if (limits && n >= 0 && n <= CubicLattice::kMax) {
                rng.Randomize();
                if (state.model.standard()) {
                    quietPasses<OpenBox>(quiet, rng, state.Lattice3D, n, limits, view, flips.data(),
                                         state);
                } else {
                    const ModelStretch model(state.model, n, rule, limits);
                    quietPasses<OpenBox>(quiet, rng, state.Lattice3D, n, limits, view, flips.data(),
                                         state, &model);
                }
                pump.skipQuiet(quiet);
                passes += quiet;
                view.Label1.setNumber(passes);
                continue;
            }
        }

        const int x = drawIndex(rng, gridSize);
        const int y = drawIndex(rng, gridSize);
        const int z = drawIndex(rng, gridSize);
        const int n = gridSize.cint();
        state.SiteX = x;
        state.SiteY = y;
        state.SiteZ = static_cast<std::int16_t>(z);

        const ModelOptions& model = state.model;
        const bool standard = model.standard();
        int total = 0, energy = 0;
        if (standard) {
            energy = boxSum(state.Lattice3D, x, y, z, n);
        } else {
            const int s = state.Lattice3D.get(x, y, z);
            total = modelBoxTotal(state.Lattice3D, x, y, z, n, model);
            energy = s * total;
        }
        std::int8_t* cell = state.Lattice3D.cell(x, y, z);

        const bool accepted = standard ? rule.accepts(2 * energy)
                                       : rule.acceptsAny(2.0 * energy + 2.0 * *cell * model.field);
        if (accepted) {
            const int old = *cell;
            const int now = old == 1 ? -1 : 1;
            *cell = static_cast<std::int8_t>(now);
            // A never-set cell (0) has no energy of its own, so its change is not 2 * energy.
            const int around = standard ? clippedBoxTotal(state.Lattice3D, x, y, z, n) : total;
            state.drift.energy += old != 0 ? 2 * energy : -around;
            state.drift.magnetization += now - old;
            ++state.drift.accepted;
        }

        if (pump.DoEvents()) {
            // A nested run may have moved the site under trial, rewritten the lattice and
            // redrawn the planes. A square-lattice or chain run leaves a site that may lie
            // outside the cube: there is nothing of the cube to repaint then.
            const std::int64_t sx = state.SiteX, sy = state.SiteY, sz = state.SiteZ;
            if (accepted && inCube(sx, sy, sz)) {
                const std::int16_t c = ChooseColor3D_Prog(state, sx, sy, sz);
                repaintSite(view, int(sx), int(sy), int(sz), QBColor(c));
            }
            // A run of another simulation leaves its own site there, so this pass's flip is
            // painted too, in the colour its site holds now, or the views would keep it stale.
            if (accepted) repaintSite(view, x, y, z, *cell == -1 ? colorDown : colorUp);
        } else if (accepted) {
            const int m = view.plane;
            if (x == m || y == m || z == m) {
                repaintSite(view, x, y, z, *cell == -1 ? colorDown : colorUp);
            }
        }

        ++passes;
        view.Label1.setNumber(passes);
    }
}

}  // namespace spinlab
