#include "ising2d/ising2d.h"

#include "core/program.h"
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

namespace {}  // namespace

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

// Each trial follows the classic order: draw the site, sum its 3 x 3 block, ask CheckNoise,
// flip, DoEvents, repaint, count. Everything the user can change (the inputs, and through a
// nested Start the lattice and the site under trial) changes only inside DoEvents, so the inputs
// are parsed once per edit and the site is re-read only after the pump has actually run.
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

    std::uint64_t trials = 0;
    while (state.Running) {
        const int x = drawIndex(rng, gridSize);
        const int y = drawIndex(rng, gridSize);
        const int n = gridSize.cint();
        state.SiteX = x;
        state.SiteY = y;

        const int energy = siteSum(state.Lattice2D, x, y, n);
        std::int8_t* cell = state.Lattice2D.cell(x, y);

        const bool accepted = rule.accepts(2 * energy);
        if (accepted) {
            const int old = *cell;
            const int now = old == 1 ? -1 : 1;
            *cell = static_cast<std::int8_t>(now);
            // A never-set cell (0) has no energy of its own, so its change is not 2 * energy.
            state.drift.energy +=
                old != 0 ? 2 * energy : -clippedNeighbourTotal(state.Lattice2D, x, y, n);
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
