#include "app/commands.h"

#include "app/lab.h"
#include "core/program.h"
#include "core/scopedcount.h"
#include "ising2d/ising2d.h"
#include "ising3d/ising3d.h"
#include "ising3d/planeviews.h"
#include "polymer/polymer.h"

namespace spinlab {

namespace {

// Start reads a size from `box` and indexes an array of 0..`max` with it. A size that does not
// convert raises the conversion error of its first read; one above the array, the bounds error
// of the set-up's first index past the array; a negative one, the bounds error the first trial
// would meet at a negative index.
void checkSize(const TextBox& box, int max, const char* array) {
    const int n = box.cint();
    if (n > max) throw BoundsError(array, max + 1, 0, max);
    if (n < 0) throw BoundsError(array, n, 0, max);
}

}  // namespace

// A run clears its pictures and rewrites its lattice before it first tries a move, so Start
// checks everything its mode will read before it touches anything: a bad input then costs the
// user a message and nothing already on screen.
void Commands::checkInputs(Mode mode) {
    MainForm& form = program_.IsingModel();
    switch (mode) {
        case Mode::Square:
            checkSize(form.GridSize, SquareLattice::kMax, "Lattice2D");
            break;
        case Mode::Cubic:
            checkSize(form.GridSize, CubicLattice::kMax, "Lattice3D");
            break;
        case Mode::Chain:
            checkSize(program_.PolymerWindow().Iterations, Chain::kMax, "ChainState");
            break;
    }
    // The first trial's CheckNoise reads the temperature.
    form.rule.temperature();
}

namespace {

// Notes, as the run ends however it ends, the size its loop last read: the loops read the box at
// every trial, so that is the lattice the run leaves behind.
class NoteSizeAtEnd {
public:
    NoteSizeAtEnd(RunStack& runs, RunKind kind, const TextBox& box, int max)
        : runs_(runs), kind_(kind), box_(box), max_(max) {}
    ~NoteSizeAtEnd() {
        if (!box_.cintConverts()) return;
        const int n = box_.cint();
        if (n >= 0 && n <= max_) runs_.noteSize(kind_, n);
    }
    NoteSizeAtEnd(const NoteSizeAtEnd&) = delete;
    NoteSizeAtEnd& operator=(const NoteSizeAtEnd&) = delete;

private:
    RunStack& runs_;
    RunKind kind_;
    const TextBox& box_;
    int max_;
};

}  // namespace

void Commands::Command1_Click() {
    if (activeRuns_ >= kMaxNestedRuns) return;
    ScopedCount scope(activeRuns_);
    MainForm& form = program_.IsingModel();
    // Only the two view items are read: any other state counts as the square lattice.
    if (form.simulation3D.Checked()) {
        checkInputs(Mode::Cubic);
        startCubicLattice();
    } else if (form.PolymerChain.Checked()) {
        checkInputs(Mode::Chain);
        startPolymerChain();
    } else {
        checkInputs(Mode::Square);
        startSquareLattice();
    }
}

void Commands::startCubicLattice() {
    const RunStack::Scope run(program_.runs(), RunKind::Cubic);
    MainForm& form = program_.IsingModel();
    const NoteSizeAtEnd note(program_.runs(), RunKind::Cubic, form.GridSize, CubicLattice::kMax);
    // Drawn whether the view window is on show or not: the menu alone shows and hides it.
    View3DForm& view = program_.n3DPicForm();
    view.PictureXY.Cls();
    view.PictureYZ.Cls();
    view.PictureXZ.Cls();
    InitLattice3D(program_);
    applyStartState(program_, RunKind::Cubic);
    SetupViews3D(program_);
    form.state.Running = true;
    Run3D(program_);
}

void Commands::startSquareLattice() {
    const RunStack::Scope run(program_.runs(), RunKind::Square);
    MainForm& form = program_.IsingModel();
    const NoteSizeAtEnd note(program_.runs(), RunKind::Square, form.GridSize, SquareLattice::kMax);
    form.Picture1.Cls();
    SetupPicture2D(program_);
    InitLattice2D(program_);
    applyStartState(program_, RunKind::Square);
    form.state.Running = true;
    Run2D(program_);
}

void Commands::startPolymerChain() {
    const RunStack::Scope run(program_.runs(), RunKind::Chain);
    const NoteSizeAtEnd note(program_.runs(), RunKind::Chain, program_.PolymerWindow().Iterations,
                             Chain::kMax);
    // Unlike the lattices, the flag goes up before the set-up: a failed set-up leaves it raised
    // until the next Stop or Start, and nothing reads it meanwhile.
    program_.IsingModel().state.Running = true;
    program_.PolymerWindow().Picture1.Cls();
    InitChain(program_);
    DrawChain(program_);
    RunChain(program_);
}

void Commands::Command2_Click() {
    program_.IsingModel().state.Running = false;
}

// The menu keeps exactly one of its three items checked; the two view items toggle, falling
// back to the square lattice when chosen while checked.
void Commands::IsingModel_Click() {
    MainForm& form = program_.IsingModel();
    if (form.IsingModelItem.Checked()) {
        form.IsingModelItem.setChecked(true);
        return;
    }
    form.PolymerChain.setChecked(false);
    form.simulation3D.setChecked(false);
    program_.PolymerWindow().window.Hide();
    program_.n3DPicForm().window.Hide();
    form.GridSize.setEnabled(true);
    form.IsingModelItem.setChecked(true);
}

void Commands::simulation3D_Click() {
    MainForm& form = program_.IsingModel();
    if (form.simulation3D.Checked()) {
        form.simulation3D.setChecked(false);
        program_.n3DPicForm().window.Hide();
        form.IsingModelItem.setChecked(true);
    } else {
        form.simulation3D.setChecked(true);
        program_.n3DPicForm().window.Show();
        form.GridSize.setEnabled(true);
    }
    if (form.simulation3D.Checked()) {
        form.PolymerChain.setChecked(false);
        form.IsingModelItem.setChecked(false);
        program_.PolymerWindow().window.Hide();
        form.GridSize.setEnabled(true);
    }
}

void Commands::PolymerChain_Click() {
    MainForm& form = program_.IsingModel();
    if (form.PolymerChain.Checked()) {
        form.PolymerChain.setChecked(false);
        program_.PolymerWindow().window.Hide();
        form.GridSize.setEnabled(true);
        form.IsingModelItem.setChecked(true);
    } else {
        form.PolymerChain.setChecked(true);
        program_.PolymerWindow().window.Show();
        form.GridSize.setEnabled(false);
    }
    if (form.PolymerChain.Checked()) {
        form.simulation3D.setChecked(false);
        form.IsingModelItem.setChecked(false);
        program_.n3DPicForm().window.Hide();
    }
}

void Commands::Quit_Click() {
    program_.End();
}

}  // namespace spinlab
