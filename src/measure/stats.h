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

}  // namespace spinlab
