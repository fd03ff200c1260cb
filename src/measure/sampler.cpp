#include "measure/sampler.h"

#include <cinttypes>

namespace spinlab {

Observables RunningTotals::now() {
    const SimState& state = program_.IsingModel().state;
    const Observables drift = Observables::drift(state.drift);
    // A change of coupling or edges during the run changes what the energy sums: recount.
    if (!haveBaseline_ || state.model.coupling != coupling_ || state.model.edges != edges_) {
        coupling_ = state.model.coupling;
        edges_ = state.model.edges;
        baseline_ = model_->count(program_) - drift;
        haveBaseline_ = true;
    }
    Observables o = baseline_ + drift;
    o.field = model_->chain ? 0.0 : state.model.field;
    return o;
}

Sampler::Sampler(Program& program, const Model& model, Sink sink)
    : totals_(program, model), sink_(std::move(sink)) {}

void Sampler::attach(EventPump& pump, std::uint64_t every) {
    pump.everyCall([this, &pump] { sink_(pump.calls(), totals_.now()); }, every);
}

CsvSeries::CsvSeries(std::FILE* out, bool chain, bool withField, const Record* record)
    : out_(out), chain_(chain), withField_(withField) {
    if (record) std::fputs(record->commentLines().c_str(), out_);
    std::fputs(chain ? "trial,energy,count_1,count_2,count_3,count_4,count_5,count_6,count_7,"
                       "count_8,count_9\n"
                     : "trial,energy,magnetization\n",
               out_);
}

void CsvSeries::row(std::uint64_t trial, const Observables& o) {
    if (chain_) {
        std::fprintf(out_, "%" PRIu64 ",%" PRId64, trial, o.energy);
        for (std::int64_t c : o.counts)
            std::fprintf(out_, ",%" PRId64, c);
        std::fputc('\n', out_);
    } else if (withField_) {
        // Not printf's %g, which writes a comma-decimal locale's comma.
        std::fprintf(out_, "%" PRIu64 ",%s,%" PRId64 "\n", trial, text9(o.total()).c_str(),
                     o.magnetization);
    } else {
        std::fprintf(out_, "%" PRIu64 ",%" PRId64 ",%" PRId64 "\n", trial, o.energy,
                     o.magnetization);
    }
}

}  // namespace spinlab
