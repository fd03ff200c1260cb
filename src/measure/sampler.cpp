#include "measure/sampler.h"

#include <cinttypes>

namespace spinlab {

Observables RunningTotals::now() {
    const Observables drift = Observables::drift(program_.IsingModel().state.drift);
    if (!haveBaseline_) {
        baseline_ = model_->count(program_) - drift;
        haveBaseline_ = true;
    }
    return baseline_ + drift;
}

Sampler::Sampler(Program& program, const Model& model, Sink sink)
    : totals_(program, model), sink_(std::move(sink)) {}

void Sampler::attach(EventPump& pump, std::uint64_t every) {
    pump.everyCall([this, &pump] { sink_(pump.calls(), totals_.now()); }, every);
}

CsvSeries::CsvSeries(std::FILE* out, bool chain) : out_(out), chain_(chain) {
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
    } else {
        std::fprintf(out_, "%" PRIu64 ",%" PRId64 ",%" PRId64 "\n", trial, o.energy,
                     o.magnetization);
    }
}

}  // namespace spinlab
