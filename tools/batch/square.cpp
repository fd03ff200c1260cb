#include "batch/runners.h"
#include "ising2d/observables.h"

namespace spinlab::batch {

Report runSquare(const Options& options) {
    Harness harness(options);
    MainForm& form = harness.main();
    form.GridSize.setText(options.size);
    harness.applyCommonInputs();
    harness.run(form.Command1, form.Command2);

    Report report;
    harness.reportTiming(report, "square");
    report.addText("label", form.Label1.Caption());
    const int n = form.GridSize.cint();
    report.addInteger("energy", squareEnergy(form.state.Lattice2D, n));
    report.addInteger("magnetization", squareMagnetization(form.state.Lattice2D, n));
    return report;
}

}  // namespace spinlab::batch
