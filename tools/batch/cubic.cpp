#include "batch/runners.h"
#include "ising3d/observables.h"

namespace spinlab::batch {

Report runCubic(const Options& options) {
    Harness harness(options);
    MainForm& form = harness.main();
    form.GridSize.setText(options.size);
    harness.applyCommonInputs();
    // The mode is chosen as a user chooses it, through the File menu.
    form.simulation3D.click();
    harness.run(form.Command1, form.Command2);

    Report report;
    harness.reportTiming(report, "cubic");
    report.addText("label", harness.program().n3DPicForm().Label1.Caption());
    const int n = form.GridSize.cint();
    report.addInteger("energy", cubicEnergy(form.state.Lattice3D, n));
    report.addInteger("magnetization", cubicMagnetization(form.state.Lattice3D, n));
    return report;
}

}  // namespace spinlab::batch
