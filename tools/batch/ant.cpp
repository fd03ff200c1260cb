#include <cmath>

#include "antwalk/antwalk.h"
#include "batch/runners.h"
#include "measure/model.h"

namespace spinlab::batch {

// Walks on Form1's picture at the design resolution (15 twips per pixel: 135 x 143 cells) until
// the ant reaches the border or the step cap (--trials) is hit.
Report runAnt(const Options& options, AtomicFile* picture) {
    Harness harness(options);
    AntForm& form = harness.program().Form1();
    form.HScroll1.setValue(options.obstacles);
    harness.run(form.Command1, form.Command2);
    const AntWalk& walk = harness.application().antCommands().lastWalk();

    Report report;
    const double seconds = harness.seconds();
    report.addText("simulation", "ant");
    report.addInteger("obstacles", form.HScroll1.Value());
    report.addInteger("steps", walk.steps);
    report.addNumber("seconds", seconds);
    // The clock starts inside the first step, so it spans steps - 1 steps.
    const double rate = seconds > 0 ? (walk.steps - 1) / seconds : 0.0;
    report.addNumber("steps_per_second", std::round(rate));
    report.add("reached_border", walk.reachedBorder ? "true" : "false");
    report.addInteger("x", walk.x);
    report.addInteger("y", walk.y);
    report.addInteger("heading", walk.startHeading);
    report.addText("label", form.Label1.Caption());
    if (picture) {
        const Record record = runRecord(options);
        picture->write(encodePng(windowPicture(harness.program(), RunKind::Ant), &record));
    }
    return report;
}

}  // namespace spinlab::batch
