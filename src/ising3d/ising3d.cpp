#include "ising3d/ising3d.h"

#include "core/program.h"
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

namespace {

bool inCube(std::int64_t x, std::int64_t y, std::int64_t z) {
    constexpr std::int64_t kMax = CubicLattice::kMax;
    return x >= 0 && x <= kMax && y >= 0 && y <= kMax && z >= 0 && z <= kMax;
}

}  // namespace

// Each pass follows the classic order: draw the site, sum its 3 x 3 x 3 box, ask CheckNoise,
// flip, DoEvents, repaint, count. Everything the user can change (the inputs, and through a
// nested Start the lattice, the site under trial and the planes on show) changes only inside
// DoEvents, so the site and the planes are re-read only after the pump has actually run.
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

    std::uint64_t passes = 0;
    while (state.Running) {
        const int x = drawIndex(rng, gridSize);
        const int y = drawIndex(rng, gridSize);
        const int z = drawIndex(rng, gridSize);
        const int n = gridSize.cint();
        state.SiteX = x;
        state.SiteY = y;
        state.SiteZ = static_cast<std::int16_t>(z);

        const int energy = boxSum(state.Lattice3D, x, y, z, n);
        std::int8_t* cell = state.Lattice3D.cell(x, y, z);

        const bool accepted = rule.accepts(2 * energy);
        if (accepted) {
            const int old = *cell;
            const int now = old == 1 ? -1 : 1;
            *cell = static_cast<std::int8_t>(now);
            // A never-set cell (0) has no energy of its own, so its change is not 2 * energy.
            state.drift.energy +=
                old != 0 ? 2 * energy : -clippedBoxTotal(state.Lattice3D, x, y, z, n);
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
