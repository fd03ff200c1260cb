#pragma once
// A run's statistics in memory that does not grow with its length: the samples go into
// kBatchMeans batches of moments, whose boundaries follow from the sample count the run knows
// before it starts, and into a binning of e and m (bin means of 2^k samples, k = 0, 1, ...).
// The batches give the means, their errors, jackknife errors of chi, c and U4 and the drift
// between the halves of the run; the binning gives the autocorrelation times.

#include <array>
#include <cstdint>
#include <string>

#include "measure/stats.h"

namespace spinlab {

// The binning of one observable: at each level k the count, sum and sum of squares of the
// completed bin means of 2^k samples, and the pending first half of the next bin.
class Binning {
public:
    static constexpr int kLevels = 64;
    // The autocorrelation time is read at the largest level with at least this many bins:
    // fewer leave the error of the error above about 12 %.
    static constexpr std::uint64_t kMinBins = 32;
    // Bins of fewer than 2^kMinLevel samples cannot tell a short correlation from a long one
    // cut off: with fewer than kMinBins << kMinLevel samples the time is not judged at all.
    static constexpr int kMinLevel = 3;

    void add(double x);
    std::uint64_t count() const { return bins_[0]; }
    std::uint64_t bins(int level) const { return bins_[static_cast<std::size_t>(level)]; }
    // The standard error of the mean from the bins of 2^level samples; 0 with fewer than 2.
    double error(int level) const;

private:
    std::array<double, kLevels> sum_{};
    std::array<double, kLevels> sumSq_{};
    std::array<double, kLevels> held_{};  // a bin waiting for its partner: bins_[k] is odd
    std::array<std::uint64_t, kLevels> bins_{};
};

// The integrated autocorrelation time from a binning, tau = (err_k^2 / err_0^2 - 1) / 2 in
// samples (0 for independent samples), at the largest level with Binning::kMinBins bins.
// Converged when the error no longer grows over the last levels by more than their noise:
// otherwise tau is only a lower bound.
struct Autocorrelation {
    double tau = 0;
    int level = 0;
    bool converged = true;
};
Autocorrelation autocorrelation(const Binning& binning);

// Sums over one batch of samples; e and m per site, fractions of the chain's units per state.
struct Moments {
    std::uint64_t count = 0;
    double e = 0, e2 = 0, m = 0, absM = 0, m2 = 0, m4 = 0;
    std::array<double, 9> fractions{};
    Moments& operator+=(const Moments& o);
    Moments& operator-=(const Moments& o);
};

class RunAccumulator {
public:
    // `samples`: how many add() calls the run will make. `signedM`: the binning follows m
    // rather than |m| (a field sweep, where m itself is the result).
    explicit RunAccumulator(std::uint64_t samples, bool signedM = false);
    void add(double e, double m);
    void add(double e, const std::array<double, 9>& fractions);

    std::uint64_t samples() const { return added_; }
    bool signedM() const { return signedM_; }
    const std::array<Moments, kBatchMeans>& batches() const { return batches_; }
    const Binning& energyBinning() const { return e_; }
    const Binning& magnetizationBinning() const { return m_; }

private:
    Moments& next();

    std::uint64_t expected_;
    std::uint64_t added_ = 0;
    std::size_t batch_ = 0;
    std::uint64_t boundary_ = 0;  // samples added when the current batch ends
    bool signedM_;
    std::array<Moments, kBatchMeans> batches_{};
    Binning e_;
    Binning m_;
};

// What a run's samples say, per site (per unit or bond for the chain).
struct RunAnalysis {
    std::uint64_t samples = 0;
    Estimate energy;
    Estimate magnetization;  // m itself
    Estimate absMagnetization;
    // Jackknife over the batches with its bias correction; the definitions are those of
    // fluctuations() in stats.h.
    Fluctuations fluctuations;
    std::array<Estimate, 9> fractions{};
    Autocorrelation tauE;  // in samples
    Autocorrelation tauM;
    // The first half of the batches against the second: the difference of the means (of e and
    // of the m the binning follows) in units of its error (0 when it cannot be told).
    double driftE = 0;
    double driftM = 0;
};
// `sites` and `t` enter chi and c only; with t = 0 the fluctuations are left at 0.
RunAnalysis analyse(const RunAccumulator& run, double sites, double t);

// Why a row cannot vouch for itself, empty when it can: short texts without commas or double
// quotes, joined by "; ". `sweepsPerSample` converts times to sweeps; `hasE` and `hasM` say which
// observables the row reports.
struct Verdict {
    std::string warning;
    // What to change, for the line on standard error.
    std::string advice;
};
Verdict judge(const RunAnalysis& a, double sweepsPerSample, bool hasE, bool hasM);

// Thresholds of judge(), stated once for the manual and the tests.
constexpr double kBatchTaus = 10;   // a batch holds at least this many autocorrelation times
constexpr double kDriftErrors = 4;  // the halves differ by at most this many combined errors

}  // namespace spinlab
