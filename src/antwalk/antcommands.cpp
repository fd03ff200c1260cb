#include "antwalk/antcommands.h"

#include "core/program.h"

namespace spinlab {

namespace {

// Counts a walk for as long as its Start handler is on the stack, whichever way it leaves.
class WalkScope {
public:
    explicit WalkScope(int& active) : active_(active) { ++active_; }
    ~WalkScope() { --active_; }
    WalkScope(const WalkScope&) = delete;
    WalkScope& operator=(const WalkScope&) = delete;

private:
    int& active_;
};

}  // namespace

void AntCommands::Command1_Click() {
    if (activeWalks_ >= kMaxNestedWalks) return;
    WalkScope scope(activeWalks_);
    AntForm& form = program_.Form1();
    form.Picture1.Cls();
    form.Running = true;
    lastWalk_ = RunAnt(program_);
}

void AntCommands::Command2_Click() {
    program_.Form1().Running = false;
    program_.IsingModel().window.Show();
}

void AntCommands::Command3_Click() {
    program_.End();
}

}  // namespace spinlab
