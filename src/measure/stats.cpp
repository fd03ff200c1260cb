#include "measure/stats.h"

#include <cmath>

namespace spinlab {

Estimate batchMeans(const std::vector<double>& samples, std::size_t batches) {
    Estimate e;
    if (samples.empty()) return e;
    double sum = 0;
    for (double s : samples)
        sum += s;
    e.mean = sum / static_cast<double>(samples.size());
    if (batches > samples.size()) batches = samples.size();
    if (batches < 2) return e;
    // Equal batches over the leading samples; a remainder of fewer than `batches` is dropped
    // from the spread only.
    const std::size_t size = samples.size() / batches;
    std::vector<double> means(batches, 0.0);
    double centre = 0;
    for (std::size_t b = 0; b < batches; ++b) {
        for (std::size_t i = b * size; i < (b + 1) * size; ++i)
            means[b] += samples[i];
        means[b] /= static_cast<double>(size);
        centre += means[b];
    }
    centre /= static_cast<double>(batches);
    double sq = 0;
    for (double m : means)
        sq += (m - centre) * (m - centre);
    const double variance = sq / static_cast<double>(batches - 1);
    e.error = std::sqrt(variance / static_cast<double>(batches));
    return e;
}

}  // namespace spinlab
