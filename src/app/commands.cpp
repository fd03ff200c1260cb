#include "app/commands.h"

#include "core/program.h"
#include "ising2d/ising2d.h"

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
    if (form.simulation3D.Checked()) {
        // The cubic lattice comes with its own issue; until then Start in this mode does nothing.
        return;
    }
    if (form.PolymerChain.Checked()) {
        return;
    }
    startSquareLattice();
}

void Commands::startSquareLattice() {
    MainForm& form = program_.IsingModel();
    form.Picture1.Cls();
    SetupPicture2D(program_);
    InitLattice2D(program_);
    form.state.Running = true;
    Run2D(program_);
}

void Commands::Command2_Click() {
    program_.IsingModel().state.Running = false;
}

void Commands::IsingModel_Click() {}

void Commands::simulation3D_Click() {}

void Commands::PolymerChain_Click() {}

void Commands::Quit_Click() {
    program_.End();
}

}  // namespace spinlab
