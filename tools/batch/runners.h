#pragma once
// One runner per simulation: sets the inputs, runs, and reports.

#include <cstdio>

#include <string>
#include <vector>

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
// One run per temperature of options.sweep (and size of options.sizes), in parallel; writes the
// CSV to `out`, each row once it and every row before it are finished. From run `first` on
// (a resumed sweep, whose record, header and first rows are already written), else the record
// and header too. Returns how many rows it wrote were warned (each also named on standard
// error).
std::size_t runSweep(const Model& model, const Options& options, std::FILE* out,
                     std::size_t first = 0);
// The sweep's record lines and header, and the start of each of its rows in order
// ("size,temp,trials," or "temp,trials,").
std::string sweepHeader(const Model& model, const Options& options);
std::vector<std::string> sweepRowKeys(const Options& options);
// --threads' default: the CPUs this process may run on (its affinity mask), not the machine's.
unsigned defaultThreads();
// One run through the fields of options.fieldSweep; writes the CSV to `out`, its record first.
// Returns how many rows were warned.
std::size_t runFieldSweep(const Model& model, const Options& options, std::FILE* out);
Report runAnt(const Options& options, AtomicFile* picture = nullptr);

}  // namespace spinlab::batch
