#include "measure/recorder.h"

#include <algorithm>
#include <cmath>

#include "measure/atomicfile.h"
#include "spinlab_version.h"

namespace spinlab {

SeriesStore::SeriesStore(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 2)) {}

void SeriesStore::reset(std::uint64_t every) {
    every_ = interval_ = std::max<std::uint64_t>(every, 1);
    rows_.clear();
    ++version_;
}

void SeriesStore::add(std::uint64_t trial, const Observables& values, std::uint64_t work) {
    if (trial % interval_ != 0) return;
    if (rows_.size() >= capacity_) {
        const std::uint64_t wider = interval_ * 2;
        std::erase_if(rows_, [wider](const SeriesRow& r) { return r.trial % wider != 0; });
        interval_ = wider;
        if (trial % interval_ != 0) {
            ++version_;
            return;
        }
    }
    rows_.push_back({trial, values, work});
    ++version_;
}

Recorder::Recorder(Program& program, std::size_t capacity)
    : program_(program), store_(capacity), totals_(program, *findModel(RunKind::Square)) {}

Recorder::~Recorder() {
    holders_.clear();
    detach();
}

std::uint64_t Recorder::intervalFor(double sites) {
    const auto sweep = static_cast<std::uint64_t>(std::max(1.0, std::round(sites)));
    return sweep * ((100 + sweep - 1) / sweep);
}

void Recorder::attach(const void* holder) {
    if (std::find(holders_.begin(), holders_.end(), holder) == holders_.end())
        holders_.push_back(holder);
    if (attached_) return;
    attached_ = true;
    program_.runs().onChange = [this] { follow(); };
    follow();
}

void Recorder::detach(const void* holder) {
    std::erase(holders_, holder);
    if (!attached_ || !holders_.empty()) return;
    attached_ = false;
    program_.runs().onChange = nullptr;
    freeze();
}

std::uint64_t Recorder::trialsNow() const {
    return program_.pump().calls() - run_.firstCall - run_.nestedCalls;
}

std::uint64_t Recorder::trials() const {
    return live_ ? trialsNow() : endTrials_;
}

std::uint64_t Recorder::workNow() const {
    const SimState& state = program_.IsingModel().state;
    const bool cluster = model_ && !model_->chain && state.model.cluster;
    const std::uint64_t since = cluster ? static_cast<std::uint64_t>(std::max<std::int64_t>(
                                              state.drift.accepted - workAccepted_, 0))
                                        : trialsNow() - workTrials_;
    return work_ + since;
}

void Recorder::checkpoint() {
    work_ = workNow();
    workTrials_ = trialsNow();
    workAccepted_ = program_.IsingModel().state.drift.accepted;
}

std::uint64_t Recorder::work() const {
    return live_ ? workNow() : endWork_;
}

void Recorder::freeze() {
    if (live_) {
        endTrials_ = trialsNow();
        endWork_ = workNow();
    }
    live_ = false;
    program_.pump().everyCall({});
}

void Recorder::follow() {
    const RunRecord* run = program_.runs().innermost();
    const Model* model = run ? findModel(run->kind) : nullptr;
    if (!model) {
        // Idle, or the ant walks: nothing the series follows moves.
        freeze();
        return;
    }
    if (model == model_ && run->serial == run_.serial) {
        // Back after an ant walk nested in the run, or re-attached: the rows go on, from a fresh
        // recount in case anything rewrote the state meanwhile.
        run_ = *run;
        live_ = true;
        // What a nested run flipped is not this run's work. Trials made while the window was
        // closed count as the run's own: one update each, or for cluster moves the run's mean.
        const std::uint64_t away = trialsNow() - endTrials_;
        const bool cluster = !model->chain && program_.IsingModel().state.model.cluster;
        work_ = endWork_ + (cluster && endTrials_ > 0 ? away * endWork_ / endTrials_ : away);
        workTrials_ = trialsNow();
        workAccepted_ = program_.IsingModel().state.drift.accepted;
        totals_.rebase();
        arm();
        return;
    }
    begin(*run, *model);
}

void Recorder::begin(const RunRecord& run, const Model& model) {
    model_ = &model;
    run_ = run;
    live_ = true;
    // Start has checked the size before it pushed the run, so this reads.
    try {
        size_ = model.size(program_);
    } catch (const PlatformError&) {
        size_ = 0;
    }
    totals_.rebase(model);
    // A cluster move changes a good part of the lattice: each one is a sample, as in the batch
    // tool's sweeps.
    const bool cluster = !model.chain && program_.IsingModel().state.model.cluster;
    store_.reset(cluster ? 1 : intervalFor(model.sitesOf(size_)));
    firstTrial_ = trialsNow();
    work_ = firstTrial_;
    workTrials_ = firstTrial_;
    workAccepted_ = program_.IsingModel().state.drift.accepted;
    arm();
}

void Recorder::arm() {
    // The first sample at the next multiple of K of the run's own trials, then every K.
    const std::uint64_t every = store_.every();
    phase_ = every - trialsNow() % every;
    program_.pump().everyCall([this] { sample(); }, phase_);
}

void Recorder::sample() {
    if (!live_) return;
    const std::uint64_t every = store_.every();
    if (phase_ != every) {
        phase_ = every;
        program_.pump().everyCall([this] { sample(); }, every);
    }
    try {
        // The loops read the size at every trial, so an edit during the run changes what the
        // totals stand for: recount over the new size.
        const int n = model_->size(program_);
        if (n != size_) {
            size_ = n;
            totals_.rebase();
        }
        checkpoint();
        store_.add(trialsNow(), totals_.now(), work_);
    } catch (const PlatformError&) {
        // An unreadable size: the loop ends with that error at its next reading.
    }
}

std::optional<Observables> Recorder::current() {
    if (!model_) return std::nullopt;
    try {
        return totals_.now();
    } catch (const PlatformError&) {
        return std::nullopt;
    }
}

void saveSeries(const std::string& path, const SeriesStore& store, bool chain,
                const Record* record) {
    AtomicFile file(path);
    bool withField = false;
    for (const SeriesRow& row : store.rows())
        withField = withField || row.values.field != 0;
    CsvSeries csv(file.file(), chain, withField, record);
    for (const SeriesRow& row : store.rows())
        csv.row(row.trial, row.values);
    file.commit();
}

void Recorder::save(const std::string& path) const {
    const Record record = windowRecord(program_, model_ ? model_->kind : RunKind::Square,
                                       store_.interval(), trials());
    saveSeries(path, store_, model_ && model_->chain, &record);
}

Record windowRecord(Program& program, RunKind kind, std::uint64_t every, std::uint64_t trials) {
    Record r;
    r.add("program", "spinlab");
    r.add("version", kVersion);
    const Model* model = findModel(kind);
    r.add("simulation", model ? model->name : "ant");
    MainForm& main = program.IsingModel();
    const ModelOptions& chosen = main.state.model;
    if (kind == RunKind::Ant) {
        r.add("obstacles", std::to_string(program.Form1().HScroll1.Value()));
    } else {
        if (kind == RunKind::Chain) {
            r.add("units", program.PolymerWindow().Iterations.Text());
        } else {
            r.add("size", main.GridSize.Text());
            r.add("coupling", chosen.coupling == Coupling::Nearest ? "nearest" : "block");
            r.add("edges", chosen.edges == Edges::Periodic ? "periodic" : "open");
            r.add("field", shortestText(chosen.field));
            r.add("start", std::string(startChoice(main.state.start).key));
        }
        r.add("temp", main.Temp.Text());
        const bool cluster = kind != RunKind::Chain && chosen.cluster;
        r.add("dynamics", cluster                   ? "wolff"
                          : main.Glauber.Value()    ? "glauber"
                          : main.Metropolis.Value() ? "metropolis"
                                                    : "none");
    }
    if (every) {
        r.add("every", std::to_string(every));
        r.add("trials", std::to_string(trials));
    }
    r.add("seed", "none (the windows draw their own)");
    return r;
}

}  // namespace spinlab
