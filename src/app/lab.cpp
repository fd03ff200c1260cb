#include "app/lab.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/program.h"
#include "ising2d/ising2d.h"
#include "ising3d/ising3d.h"
#include "ising3d/planeviews.h"

namespace spinlab {

namespace {

// The lattice size of a run under way, or -1 when it cannot be read or lies beyond the array.
int runSize(Program& program, int max) {
    const TextBox& box = program.IsingModel().GridSize;
    if (!box.cintConverts()) return -1;
    const int n = box.cint();
    return n <= max ? n : -1;
}

bool innermostIs(Program& program, RunKind kind) {
    const RunRecord* run = program.runs().innermost();
    return run != nullptr && run->kind == kind;
}

}  // namespace

void applyStartState(Program& program, RunKind kind) {
    MainForm& form = program.IsingModel();
    const int spin = startChoice(form.state.start).spin;
    if (spin == 0 || kind == RunKind::Chain || kind == RunKind::Ant) return;
    // Start has checked the size; the set-up has just filled 0..N.
    const int n = form.GridSize.cint();
    if (kind == RunKind::Square) {
        const Color colour = QBColor(spin < 0 ? 9 : 15);
        for (int x = 0; x <= n; ++x) {
            for (int y = 0; y <= n; ++y) {
                *form.state.Lattice2D.cell(x, y) = static_cast<std::int8_t>(spin);
                form.Picture1.PSet(x, y, colour);
            }
        }
        return;
    }
    // The cube's views are painted after its set-up, from the lattice.
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y) {
            for (int z = 0; z <= n; ++z)
                *form.state.Lattice3D.cell(x, y, z) = static_cast<std::int8_t>(spin);
        }
    }
}

TemperatureScale temperatureScale(RunKind kind, const ModelOptions& model) {
    const bool nearest = model.coupling == Coupling::Nearest;
    double critical = 0;
    switch (kind) {
        case RunKind::Square:
            // Onsager's 2 / ln(1 + sqrt 2); the block's from its Binder crossings.
            critical = nearest ? 2.2692 : 5.2578;
            break;
        case RunKind::Cubic:
            // The simple cubic lattice's, from the literature; the 3 x 3 x 3 block's measured
            // with spinlab-batch's Binder crossings (see README).
            critical = nearest ? 4.5115 : kBlockCubeCritical;
            break;
        case RunKind::Chain:
        case RunKind::Ant:
            return {0.6, 10.0, 0.0};
    }
    return {0.6, std::ceil(2.2 * critical), critical};
}

int couplingCount(RunKind kind, const ModelOptions& model) {
    const bool nearest = model.coupling == Coupling::Nearest;
    if (kind == RunKind::Cubic) return nearest ? 6 : 26;
    return nearest ? 4 : 8;
}

std::string temperatureText(double t) {
    char text[32];
    std::snprintf(text, sizeof text, "%.5g", t);
    return text;
}

bool TemperatureSchedule::begin(Program& program, double t1, double t2, double sweeps) {
    const RunRecord* run = program.runs().innermost();
    active_ = false;
    if (run == nullptr || run->kind == RunKind::Ant) return false;
    const TextBox& size = run->kind == RunKind::Chain ? program.PolymerWindow().Iterations
                                                      : program.IsingModel().GridSize;
    if (!size.cintConverts()) return false;
    const std::uint64_t side = static_cast<std::uint64_t>(std::max<int>(size.cint(), 0)) + 1;
    sweepTrials_ = run->kind == RunKind::Square  ? side * side
                   : run->kind == RunKind::Cubic ? side * side * side
                                                 : side;
    t1_ = t1;
    t2_ = t2;
    sweeps_ = std::max(sweeps, 0.0);
    serial_ = run->serial;
    startTrial_ = program.runs().trials(*run);
    active_ = true;
    return true;
}

double TemperatureSchedule::at(std::uint64_t trials) const {
    const double done = static_cast<double>(trials) / static_cast<double>(sweepTrials_);
    if (sweeps_ <= 0 || done >= sweeps_) return t2_;
    return t1_ + (t2_ - t1_) * done / sweeps_;
}

double TemperatureSchedule::sweepsDone(Program& program) const {
    const RunRecord* run = program.runs().innermost();
    if (!active_ || run == nullptr || run->serial != serial_) return 0;
    return static_cast<double>(program.runs().trials(*run) - startTrial_) /
           static_cast<double>(sweepTrials_);
}

bool TemperatureSchedule::advance(Program& program) {
    if (!active_) return false;
    const RunRecord* run = program.runs().innermost();
    // A nested run holds the schedule's run: it waits until that one is innermost again.
    if (!program.IsingModel().state.Running || program.runs().empty()) {
        active_ = false;
        return false;
    }
    if (run->serial != serial_) return true;
    const double t = at(program.runs().trials(*run) - startTrial_);
    TextBox& temp = program.IsingModel().Temp;
    const std::string text = temperatureText(t);
    if (temp.Text() != text) temp.setText(text);
    if (t == t2_) active_ = false;
    return active_;
}

int drawSquareSpins(Program& program, int x, int y, int radius, int spin) {
    if (!innermostIs(program, RunKind::Square)) return 0;
    const int n = runSize(program, SquareLattice::kMax);
    if (n < 0) return 0;
    MainForm& form = program.IsingModel();
    SimState& state = form.state;
    const Color colour = QBColor(spin < 0 ? 9 : 15);
    int changed = 0;
    for (int i = std::max(0, x - radius); i <= std::min(n, x + radius); ++i) {
        for (int j = std::max(0, y - radius); j <= std::min(n, y + radius); ++j) {
            if ((i - x) * (i - x) + (j - y) * (j - y) > radius * radius) continue;
            std::int8_t* cell = state.Lattice2D.cell(i, j);
            const int old = *cell;
            if (old == spin) continue;
            // E = -(sum over coupled pairs of s_i s_j): the site's pairs change by
            // -(new - old) times the spins it is coupled to.
            const int around = modelNeighbourTotal(state.Lattice2D, i, j, n, state.model);
            *cell = static_cast<std::int8_t>(spin);
            state.drift.energy -= static_cast<std::int64_t>(spin - old) * around;
            state.drift.magnetization += spin - old;
            form.Picture1.PSet(i, j, colour);
            ++changed;
        }
    }
    return changed;
}

int drawCubicSpins(Program& program, int x, int y, int z, int across, int radius, int spin) {
    if (!innermostIs(program, RunKind::Cubic)) return 0;
    const int n = runSize(program, CubicLattice::kMax);
    if (n < 0 || x < 0 || y < 0 || z < 0 || x > n || y > n || z > n) return 0;
    SimState& state = program.IsingModel().state;
    View3DForm& view = program.n3DPicForm();
    const Color colour = QBColor(ChooseColor3D(spin));
    int changed = 0;
    // The brush is a disc within the section: the axis it is taken across stays put.
    for (int a = -radius; a <= radius; ++a) {
        for (int b = -radius; b <= radius; ++b) {
            if (a * a + b * b > radius * radius) continue;
            int i = x, j = y, k = z;
            if (across == 0) {
                i += a;
                j += b;
            } else if (across == 1) {
                j += a;
                k += b;
            } else {
                i += a;
                k += b;
            }
            if (i < 0 || j < 0 || k < 0 || i > n || j > n || k > n) continue;
            std::int8_t* cell = state.Lattice3D.cell(i, j, k);
            const int old = *cell;
            if (old == spin) continue;
            const int around = modelBoxTotal(state.Lattice3D, i, j, k, n, state.model);
            *cell = static_cast<std::int8_t>(spin);
            state.drift.energy -= static_cast<std::int64_t>(spin - old) * around;
            state.drift.magnetization += spin - old;
            repaintSite(view, i, j, k, colour);
            ++changed;
        }
    }
    return changed;
}

std::string runStateText(Program& program) {
    MainForm& form = program.IsingModel();
    const RunRecord* run = program.runs().innermost();
    std::string text = run == nullptr            ? "Idle"
                       : !form.state.Running     ? "Stopping"
                       : program.pace().paused() ? "Paused"
                                                 : "Running";
    // The run under way, else what Start would run.
    RunKind kind = run ? run->kind : RunKind::Square;
    if (!run) {
        if (form.simulation3D.Checked())
            kind = RunKind::Cubic;
        else if (form.PolymerChain.Checked())
            kind = RunKind::Chain;
    }
    const bool lattice = kind == RunKind::Square || kind == RunKind::Cubic;
    text += kind == RunKind::Square  ? ": square lattice"
            : kind == RunKind::Cubic ? ": cubic lattice"
            : kind == RunKind::Chain ? ": polymer chain"
                                     : ": ant walk";
    if (kind == RunKind::Ant) return text;
    if (lattice) text += " (" + form.state.model.describe() + ")";
    std::string dynamics = form.Metropolis.Value() ? "Metropolis"
                           : form.Glauber.Value()  ? "Glauber"
                                                   : "no dynamics selected";
    if (lattice && form.state.model.cluster) dynamics = "Wolff cluster update";
    return text + "; " + dynamics;
}

}  // namespace spinlab
