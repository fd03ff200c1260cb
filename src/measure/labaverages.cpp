#include "measure/labaverages.h"

#include <algorithm>
#include <cmath>

namespace spinlab {

int histogramBin(double m) {
    const int bin = static_cast<int>(std::floor((m + 1.0) / 2.0 * LabAverages::kHistogramBins));
    return std::clamp(bin, 0, LabAverages::kHistogramBins - 1);
}

LabAverages labAverages(const SeriesStore& store, std::uint64_t from, double sites, double t,
                        bool chain) {
    LabAverages a;
    const std::vector<SeriesRow>& rows = store.rows();
    const auto first = std::find_if(rows.begin(), rows.end(),
                                    [from](const SeriesRow& row) { return row.trial >= from; });
    const auto n = static_cast<std::uint64_t>(rows.end() - first);
    a.samples = n;
    if (n == 0) return a;
    // The batch tool's accumulator, so the Lab's errors, jackknife and warnings are a sweep row's.
    RunAccumulator run(n);
    for (auto row = first; row != rows.end(); ++row) {
        const double m = double(row->values.magnetization) / sites;
        run.add(row->values.total() / sites, m);
        if (!chain) ++a.histogram[static_cast<std::size_t>(histogramBin(m))];
    }
    const RunAnalysis analysis = analyse(run, sites, t);
    a.energy = analysis.energy;
    a.fluctuations = analysis.fluctuations;
    if (!chain) a.absMagnetization = analysis.absMagnetization;
    // Monte Carlo time between samples in sweeps: cluster moves count the sites they flipped.
    const double sweepsPerSample =
        n > 1 ? double(rows.back().work - first->work) / sites / double(n - 1) : 0.0;
    if (n < kBatchMeans) {
        a.verdict.warning = "too few samples for errors: " + std::to_string(n) + " of " +
                            std::to_string(kBatchMeans);
    } else {
        a.verdict = judge(analysis, sweepsPerSample, true, !chain);
    }
    return a;
}

}  // namespace spinlab
