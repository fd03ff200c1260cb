#pragma once
// The windows' measurements: follows the innermost run of a lattice or the chain and samples its
// observables at exact multiples of K trials of that run, as `spinlab-batch --every K --series`
// does, in bounded memory. It costs nothing per trial: the pump's sampling hook runs once every
// K trials, and the run stack tells it when a run begins or ends.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/program.h"
#include "measure/model.h"
#include "measure/sampler.h"

namespace spinlab {

struct SeriesRow {
    std::uint64_t trial;
    Observables values;
    // The run's work up to the row, in site updates: a trial is one, a cluster move the sites it
    // flipped. Divided by the sites it is the Monte Carlo time in sweeps.
    std::uint64_t work = 0;
};

// Samples taken every `every` trials. When the store is full, the rows at odd multiples of the
// kept interval go and the interval doubles, so the rows kept are always exactly those a batch
// run with --every (interval) writes.
class SeriesStore {
public:
    static constexpr std::size_t kCapacity = std::size_t{1} << 16;

    explicit SeriesStore(std::size_t capacity = kCapacity);
    void reset(std::uint64_t every);
    // Kept when `trial` is a multiple of the kept interval.
    void add(std::uint64_t trial, const Observables& values) { add(trial, values, trial); }
    void add(std::uint64_t trial, const Observables& values, std::uint64_t work);

    std::uint64_t every() const { return every_; }
    std::uint64_t interval() const { return interval_; }
    const std::vector<SeriesRow>& rows() const { return rows_; }
    // Grows with every change, so a view redraws only when there is something new.
    std::uint64_t version() const { return version_; }

private:
    std::size_t capacity_;
    std::uint64_t every_ = 1;
    std::uint64_t interval_ = 1;
    std::vector<SeriesRow> rows_;
    std::uint64_t version_ = 0;
};

// The rows and header as `spinlab-batch --series` writes them, under the record's lines;
// throws WriteError.
void saveSeries(const std::string& path, const SeriesStore& store, bool chain,
                const Record* record = nullptr);

// What the windows' saved files record: the program and version, the simulation of `kind`, the
// inputs and model in force as the user saves, and that no seed was set (the windows draw their
// own). `every` and `trials` describe a saved series (0: a picture).
Record windowRecord(Program& program, RunKind kind, std::uint64_t every = 0,
                    std::uint64_t trials = 0);

class Recorder {
public:
    explicit Recorder(Program& program, std::size_t capacity = SeriesStore::kCapacity);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // While attached, the pump's sampling hook and the run stack's listener are the recorder's.
    // Each window that reads the series (the Measurements window, the Lab's averages) holds it
    // under its own key, and it samples while any holds it.
    void attach(const void* holder = nullptr);
    // The series stands still and stays readable; re-attaching during the same run goes on with
    // it.
    void detach(const void* holder = nullptr);
    bool attached() const { return attached_; }

    // The series' simulation; nullptr before the first run of a lattice or the chain.
    const Model* model() const { return model_; }
    std::uint64_t serial() const { return run_.serial; }
    // The series' run is the innermost one and under way.
    bool live() const { return live_; }
    // N (or n) and the number of sites the values are counted over.
    int size() const { return size_; }
    double sites() const { return model_ ? model_->sitesOf(size_) : 0.0; }
    // The run's trials: now while live, else where the series stopped.
    std::uint64_t trials() const;
    // The run's work in site updates (see SeriesRow): now while live, else where it stopped.
    std::uint64_t work() const;
    // The run's trials when the series began: 0 when it began with the run.
    std::uint64_t firstTrial() const { return firstTrial_; }
    // The observables now; nothing before the first run or while the size cannot be read.
    std::optional<Observables> current();
    const SeriesStore& store() const { return store_; }

    // The series as `spinlab-batch --series` writes it; throws WriteError.
    void save(const std::string& path) const;

    // K for a run of that many sites: one sweep, or the fewest whole sweeps of 100 trials or
    // more, so that a tiny lattice does not pay for a sample every few trials.
    static std::uint64_t intervalFor(double sites);

private:
    void follow();
    void begin(const RunRecord& run, const Model& model);
    void arm();
    void sample();
    void freeze();
    std::uint64_t trialsNow() const;
    // Work since the last checkpoint counts as the model now in force counts it: cluster moves
    // by the sites they flipped (the loops' accepted count), single flips by their trials.
    std::uint64_t workNow() const;
    void checkpoint();

    Program& program_;
    SeriesStore store_;
    RunningTotals totals_;
    const Model* model_ = nullptr;
    RunRecord run_{RunKind::Square, 0, 0, 0};
    bool attached_ = false;
    std::vector<const void*> holders_;
    bool live_ = false;
    int size_ = 0;
    std::uint64_t firstTrial_ = 0;
    std::uint64_t endTrials_ = 0;
    std::uint64_t work_ = 0;
    std::uint64_t workTrials_ = 0;
    std::int64_t workAccepted_ = 0;
    std::uint64_t endWork_ = 0;
    std::uint64_t phase_ = 0;
};

}  // namespace spinlab
