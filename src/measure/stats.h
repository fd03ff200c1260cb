#pragma once
// Mean and batch-means error of a correlated Monte Carlo time series: the samples are cut into
// consecutive batches, and the spread of the batch averages gives the error of the mean.

#include <cstddef>
#include <vector>

namespace spinlab {

struct Estimate {
    double mean = 0;
    double error = 0;  // one standard error; 0 with fewer than two batches
};

// The batches of every error the tools report; a series needs at least one sample per batch.
constexpr std::size_t kBatchMeans = 20;

Estimate batchMeans(const std::vector<double>& samples, std::size_t batches = kBatchMeans);

// What locates a phase transition, from the series of e and m per site of a lattice with
// `sites` sites at temperature t: the susceptibility sites (<m^2> - <|m|>^2) / t, the specific
// heat sites (<e^2> - <e>^2) / t^2 and the Binder cumulant 1 - <m^4> / (3 <m^2>^2). Each is
// taken over the whole series, its error from the spread of the same quantity over `batches`
// consecutive batches.
struct Fluctuations {
    Estimate susceptibility;
    Estimate specificHeat;
    Estimate binder;
};
Fluctuations fluctuations(const std::vector<double>& e, const std::vector<double>& m, double sites,
                          double t, std::size_t batches = 20);

}  // namespace spinlab
