#pragma once
// Follows a run's observables from inside its DoEvents calls: one full recount gives the
// baseline, and after that the loops' running totals carry it, so sampling every thousand trials
// costs a few additions, not a recount.

#include <cstdint>
#include <cstdio>
#include <functional>

#include "core/eventpump.h"
#include "measure/model.h"
#include "measure/record.h"

namespace spinlab {

// A model's observables now, as baseline + the loops' totals. The recount happens at the first
// reading after construction or rebase(), which must come while the state is whole: inside the
// run's DoEvents or once it has ended, never during a set-up.
class RunningTotals {
public:
    RunningTotals(Program& program, const Model& model) : program_(program), model_(&model) {}
    const Model& model() const { return *model_; }
    // The next reading recounts (a set-up may have rewritten the state, or the size changed).
    void rebase(const Model& model) {
        model_ = &model;
        haveBaseline_ = false;
    }
    void rebase() { haveBaseline_ = false; }
    // Raises the size input's conversion error when the recount cannot read it.
    Observables now();

private:
    Program& program_;
    const Model* model_;
    bool haveBaseline_ = false;
    Observables baseline_;
    // The coupling the baseline was counted under: the loops' totals follow the model in force.
    Coupling coupling_ = Coupling::Block;
    Edges edges_ = Edges::Open;
};

class Sampler {
public:
    using Sink = std::function<void(std::uint64_t trial, const Observables&)>;

    Sampler(Program& program, const Model& model, Sink sink);
    // Samples inside every `every`-th DoEvents call from now on; the set-up does not pump, so
    // the k-th call is the k-th trial.
    void attach(EventPump& pump, std::uint64_t every);

private:
    RunningTotals totals_;
    Sink sink_;
};

// The --series file: the record's lines (when given), a header, then one row per sample.
class CsvSeries {
public:
    // With a field the energies include its part (each row's own h) and are no longer whole
    // numbers.
    CsvSeries(std::FILE* out, bool chain, bool withField = false, const Record* record = nullptr);
    void row(std::uint64_t trial, const Observables& o);

private:
    std::FILE* out_;
    bool chain_;
    bool withField_;
};

}  // namespace spinlab
