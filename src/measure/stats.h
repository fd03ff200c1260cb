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

Estimate batchMeans(const std::vector<double>& samples, std::size_t batches = 20);

}  // namespace spinlab
