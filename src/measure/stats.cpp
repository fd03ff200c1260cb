#include "measure/stats.h"

#include <algorithm>
#include <array>
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

namespace {

struct Moments {
    double e = 0, e2 = 0, absM = 0, m2 = 0, m4 = 0;
};

Moments momentsOf(const std::vector<double>& e, const std::vector<double>& m, std::size_t from,
                  std::size_t to) {
    Moments s;
    for (std::size_t i = from; i < to; ++i) {
        const double m2 = m[i] * m[i];
        s.e += e[i];
        s.e2 += e[i] * e[i];
        s.absM += std::fabs(m[i]);
        s.m2 += m2;
        s.m4 += m2 * m2;
    }
    const double n = static_cast<double>(to - from);
    return {s.e / n, s.e2 / n, s.absM / n, s.m2 / n, s.m4 / n};
}

std::array<double, 3> quantities(const Moments& s, double sites, double t) {
    return {sites * (s.m2 - s.absM * s.absM) / t, sites * (s.e2 - s.e * s.e) / (t * t),
            s.m2 > 0 ? 1.0 - s.m4 / (3.0 * s.m2 * s.m2) : 0.0};
}

}  // namespace

Fluctuations fluctuations(const std::vector<double>& e, const std::vector<double>& m, double sites,
                          double t, std::size_t batches) {
    Fluctuations f;
    const std::size_t count = std::min(e.size(), m.size());
    if (count == 0) return f;
    const std::array<double, 3> whole = quantities(momentsOf(e, m, 0, count), sites, t);
    std::array<Estimate*, 3> out{&f.susceptibility, &f.specificHeat, &f.binder};
    for (std::size_t k = 0; k < 3; ++k)
        out[k]->mean = whole[k];
    if (batches > count) batches = count;
    if (batches < 2) return f;
    const std::size_t size = count / batches;
    std::array<std::vector<double>, 3> parts;
    for (std::size_t b = 0; b < batches; ++b) {
        const std::array<double, 3> q =
            quantities(momentsOf(e, m, b * size, (b + 1) * size), sites, t);
        for (std::size_t k = 0; k < 3; ++k)
            parts[k].push_back(q[k]);
    }
    for (std::size_t k = 0; k < 3; ++k)
        out[k]->error = batchMeans(parts[k], batches).error;
    return f;
}

}  // namespace spinlab
