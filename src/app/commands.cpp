#include "app/commands.h"

#include "core/program.h"
#include "ising2d/ising2d.h"
#include "ising3d/ising3d.h"
#include "ising3d/planeviews.h"
#include "polymer/polymer.h"

namespace spinlab {

namespace {

// Counts a run for as long as its Start handler is on the stack, whichever way it leaves.
class RunScope {
public:
    explicit RunScope(int& active) : active_(active) { ++active_; }
    ~RunScope() { --active_; }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    int& active_;
};

}  // namespace

void Commands::Command1_Click() {
    if (activeRuns_ >= kMaxNestedRuns) return;
    RunScope scope(activeRuns_);
    MainForm& form = program_.IsingModel();
    // Only the two view items are read: any other state counts as the square lattice.
    if (form.simulation3D.Checked()) {
        startCubicLattice();
    } else if (form.PolymerChain.Checked()) {
        startPolymerChain();
    } else {
        startSquareLattice();
    }
}

void Commands::startCubicLattice() {
    MainForm& form = program_.IsingModel();
    // Drawn whether the view window is on show or not: the menu alone shows and hides it.
    View3DForm& view = program_.n3DPicForm();
    view.PictureXY.Cls();
    view.PictureYZ.Cls();
    view.PictureXZ.Cls();
    InitLattice3D(program_);
    SetupViews3D(program_);
    form.state.Running = true;
    Run3D(program_);
}

void Commands::startSquareLattice() {
    MainForm& form = program_.IsingModel();
    form.Picture1.Cls();
    SetupPicture2D(program_);
    InitLattice2D(program_);
    form.state.Running = true;
    Run2D(program_);
}

void Commands::startPolymerChain() {
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
