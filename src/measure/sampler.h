#pragma once
// Follows a run's observables from inside its DoEvents calls: one full recount at the first
// sample gives the baseline, and after that the loops' running totals carry it, so sampling
// every thousand trials costs a few additions, not a recount.

#include <cstdint>
#include <cstdio>
#include <functional>

#include "batch/model.h"
#include "core/eventpump.h"

namespace spinlab::batch {

class Sampler {
public:
    using Sink = std::function<void(std::uint64_t trial, const Observables&)>;

    Sampler(Program& program, const Model& model, Sink sink);
    // Samples inside every `every`-th DoEvents call from now on; the set-up does not pump, so
    // the k-th call is the k-th trial.
    void attach(HeadlessPump& pump, std::uint64_t every);

private:
    Program& program_;
    const Model& model_;
    Sink sink_;
    bool haveBaseline_ = false;
    Observables baseline_;
};

// The --series file: a header, then one row per sample.
class CsvSeries {
public:
    CsvSeries(std::FILE* out, bool chain);
    void row(std::uint64_t trial, const Observables& o);

private:
    std::FILE* out_;
    bool chain_;
};

}  // namespace spinlab::batch
