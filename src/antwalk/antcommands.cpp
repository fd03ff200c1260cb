#include "antwalk/antcommands.h"

#include "core/program.h"
#include "core/scopedcount.h"

namespace spinlab {

void AntCommands::Command1_Click() {
    if (activeWalks_ >= kMaxNestedWalks) return;
    ScopedCount scope(activeWalks_);
    const RunStack::Scope run(program_.runs(), RunKind::Ant);
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
