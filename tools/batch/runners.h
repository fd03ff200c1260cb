#pragma once
// One runner per simulation: sets the inputs, runs, and reports.

#include "batch/harness.h"
#include "batch/options.h"

namespace spinlab::batch {

Report runSquare(const Options& options);
Report runCubic(const Options& options);
Report runChain(const Options& options);
Report runAnt(const Options& options);

}  // namespace spinlab::batch
