#include <memory>

#include "app/application.h"
#include "batch/runners.h"
#include "measure/atomicfile.h"
#include "measure/model.h"
#include "measure/sampler.h"

namespace spinlab::batch {

Report runModel(const Model& model, const Options& options, std::FILE* series,
                AtomicFile* picture) {
    Harness harness(options);
    Program& program = harness.program();
    model.prepare(program, options.size, options.units);
    harness.applyCommonInputs();

    std::unique_ptr<CsvSeries> csv;
    std::unique_ptr<Sampler> sampler;
    const Record record = runRecord(options);
    if (series) {
        csv = std::make_unique<CsvSeries>(series, model.chain,
                                          program.IsingModel().state.model.field != 0, &record);
        sampler = std::make_unique<Sampler>(
            program, model, [&](std::uint64_t trial, const Observables& o) { csv->row(trial, o); });
        sampler->attach(harness.pump(), options.every);
    }
    const std::int64_t acceptedBefore = program.IsingModel().state.drift.accepted;
    harness.run(program.IsingModel().Command1, program.IsingModel().Command2);

    Report report;
    harness.reportTiming(report, model.name);
    report.addText("label", model.label(program));
    const Observables o = model.count(program);
    const ModelOptions& chosen = program.IsingModel().state.model;
    if (chosen.field != 0) {
        report.addNumber("energy", o.total(chosen.field));
    } else {
        report.addInteger("energy", o.energy);
    }
    if (!chosen.standard()) report.addText("model", chosen.describe());
    // A cluster move counts the sites it flipped as accepted.
    if (chosen.cluster) {
        report.addInteger("sites_flipped",
                          program.IsingModel().state.drift.accepted - acceptedBefore);
    }
    if (model.chain) {
        std::string counts = "[";
        for (std::int64_t c : o.counts) {
            if (counts.size() > 1) counts += ", ";
            counts += std::to_string(c);
        }
        report.add("counts", counts + "]");
    } else {
        report.addInteger("magnetization", o.magnetization);
    }
    if (picture) picture->write(encodePng(model.picture(program), &record));
    return report;
}

}  // namespace spinlab::batch
