#pragma once
// One runner per simulation: sets the inputs, runs, and reports.

#include <cstdio>

#include <string>

#include "batch/harness.h"
#include "batch/options.h"
#include "measure/model.h"
#include "measure/png.h"

namespace spinlab::batch {

// One run of a lattice or the chain: the report, and the series and picture the options ask
// for. `series` is where the CSV rows go (nullptr: none).
Report runModel(const Model& model, const Options& options, std::FILE* series);
// One run per temperature of options.sweep, in parallel; writes the CSV to `out`.
void runSweep(const Model& model, const Options& options, std::FILE* out);
// One run through the fields of options.fieldSweep; writes the CSV to `out`.
void runFieldSweep(const Model& model, const Options& options, std::FILE* out);
Report runAnt(const Options& options);
// Writes a --png picture whole or not at all; throws OutputFailure naming the path and the
// reason.
void writePicture(const std::string& path, const RgbImage& image);

}  // namespace spinlab::batch
