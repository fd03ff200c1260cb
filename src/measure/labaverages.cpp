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
    std::vector<double> e, m, absM;
    for (const SeriesRow& row : store.rows()) {
        if (row.trial < from) continue;
        e.push_back(row.values.total() / sites);
        const double mi = double(row.values.magnetization) / sites;
        m.push_back(mi);
        absM.push_back(std::fabs(mi));
        if (!chain) ++a.histogram[static_cast<std::size_t>(histogramBin(mi))];
    }
    a.samples = e.size();
    if (e.empty()) return a;
    a.energy = batchMeans(e);
    a.fluctuations = fluctuations(e, m, sites, t);
    if (!chain) a.absMagnetization = batchMeans(absM);
    return a;
}

}  // namespace spinlab
