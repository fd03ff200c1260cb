#include "batch/runners.h"
#include "polymer/observables.h"

namespace spinlab::batch {

Report runChain(const Options& options) {
    Harness harness(options);
    MainForm& form = harness.main();
    form.PolymerChain.click();
    PolymerForm& polymer = harness.program().PolymerWindow();
    polymer.Iterations.setText(options.units);
    harness.applyCommonInputs();
    harness.run(form.Command1, form.Command2);

    Report report;
    harness.reportTiming(report, "chain");
    report.addText("label", form.Label1.Caption());
    const Chain& chain = form.state.ChainState;
    const int n = polymer.Iterations.cint();
    report.addInteger("energy", chainEnergy(chain, n));
    std::string counts = "[";
    for (std::int64_t c : chainCounts(chain, n)) {
        if (counts.size() > 1) counts += ", ";
        counts += std::to_string(c);
    }
    report.add("counts", counts + "]");
    return report;
}

}  // namespace spinlab::batch
