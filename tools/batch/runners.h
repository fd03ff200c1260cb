#pragma once
// One runner per simulation: sets the inputs, runs, and reports.

#include <cstdio>

#include <string>

#include "batch/harness.h"
#include "batch/options.h"
#include "measure/atomicfile.h"
#include "measure/model.h"
#include "measure/png.h"

namespace spinlab::batch {

// One run of a lattice or the chain: the report, and the series and picture the options ask
// for. `series` is where the CSV rows go, `picture` where the final picture's PNG goes
// (nullptr: none).
Report runModel(const Model& model, const Options& options, std::FILE* series,
                AtomicFile* picture = nullptr);
// One run per temperature of options.sweep, in parallel; writes the CSV to `out`, its record
// first. Returns how many rows were warned (each also named on standard error).
std::size_t runSweep(const Model& model, const Options& options, std::FILE* out);
// One run through the fields of options.fieldSweep; writes the CSV to `out`, its record first.
// Returns how many rows were warned.
std::size_t runFieldSweep(const Model& model, const Options& options, std::FILE* out);
Report runAnt(const Options& options, AtomicFile* picture = nullptr);

}  // namespace spinlab::batch
