#pragma once
// One runner per simulation: sets the inputs, runs, and reports.

#include "batch/harness.h"
#include "batch/options.h"

namespace spinlab::batch {

Report runSquare(const Options& options);

}  // namespace spinlab::batch
