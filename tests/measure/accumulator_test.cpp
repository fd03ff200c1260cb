// The run accumulator against closed forms and a stored series: the binning's errors are those
// of the bin means listed here, its autocorrelation time that of an AR(1) process, its memory
// fixed whatever the run's length; and the windows' saved series keep a decimal point under a
// comma-decimal locale.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <type_traits>

#include "measure/accumulator.h"
#include "measure/recorder.h"

namespace spinlab {
namespace {

// x_t = rho x_{t-1} + sqrt(1 - rho^2) noise: tau = rho / (1 - rho) samples in the binning's
// convention (0 for independent samples).
std::vector<double> ar1(double rho, std::size_t n, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> noise;
    std::vector<double> x(n);
    double v = 0;
    for (double& s : x)
        s = v = rho * v + std::sqrt(1 - rho * rho) * noise(rng);
    return x;
}

TEST(Binning, ErrorsAreThoseOfTheBinMeansAndTauThatOfAnAr1Process) {
    const std::vector<double> x = ar1(0.9, std::size_t{1} << 20, 1);
    Binning b;
    for (double s : x)
        b.add(s);
    for (const int level : {0, 3, 10}) {
        const std::size_t size = std::size_t{1} << level, bins = x.size() / size;
        double sum = 0, sumSq = 0;
        for (std::size_t i = 0; i < bins; ++i) {
            double mean = 0;
            for (std::size_t j = 0; j < size; ++j)
                mean += x[i * size + j] / double(size);
            sum += mean, sumSq += mean * mean;
        }
        const double variance = (sumSq - sum * sum / double(bins)) / double(bins - 1);
        EXPECT_NEAR(b.error(level), std::sqrt(variance / double(bins)), 1e-9 * b.error(level));
    }
    const Autocorrelation a = autocorrelation(b);
    EXPECT_NEAR(a.tau, 9.0, 9.0 * 0.15);
    EXPECT_TRUE(a.converged);

    // 2,000 samples of tau = 99: the bins never outgrow the correlations.
    Binning shortRun;
    for (double s : ar1(0.99, 2000, 2))
        shortRun.add(s);
    EXPECT_FALSE(autocorrelation(shortRun).converged);
}

TEST(RunAccumulator, HoldsAFixedSizeAndSpreadsTheRemainderOverItsBatches) {
    // No member that can grow: a copy is a copy of bytes.
    EXPECT_TRUE(std::is_trivially_copyable_v<RunAccumulator>);
    EXPECT_LT(sizeof(RunAccumulator), 16u * 1024);
    RunAccumulator run(47);
    for (int i = 0; i < 47; ++i)
        run.add(i, 0.0);
    std::uint64_t total = 0;
    for (const Moments& m : run.batches()) {
        EXPECT_TRUE(m.count == 2 || m.count == 3) << m.count;
        total += m.count;
    }
    EXPECT_EQ(total, 47u);
    // Samples 0..46 in order: the first batch's mean is below the last's.
    EXPECT_LT(run.batches().front().e, run.batches().back().e);
}

// QApplication takes the user's locale for the C library; a German one writes 1,5 for 1.5.
TEST(SavedSeries, KeepsADecimalPointUnderACommaDecimalLocale) {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 (scripts/deps.sh)";
    SeriesStore store(8);
    store.reset(10);
    Observables o;
    o.energy = -84;
    o.magnetization = 25;
    o.field = 0.5;
    store.add(10, o);
    const std::string path = (std::filesystem::temp_directory_path() / "locale-series.csv");
    saveSeries(path, store, false);
    std::setlocale(LC_ALL, "C");
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::filesystem::remove(path);
    EXPECT_EQ(text.str(), "trial,energy,magnetization\n10,-96.5,25\n");
}

}  // namespace
}  // namespace spinlab
