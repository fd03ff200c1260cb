#include "measure/accumulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace spinlab {

void Binning::add(double x) {
    for (std::size_t k = 0; k < kLevels; ++k) {
        sum_[k] += x;
        sumSq_[k] += x * x;
        if (++bins_[k] % 2 == 1) {
            held_[k] = x;
            return;
        }
        x = 0.5 * (held_[k] + x);
    }
}

double Binning::error(int level) const {
    const auto k = static_cast<std::size_t>(level);
    const double n = static_cast<double>(bins_[k]);
    if (bins_[k] < 2) return 0;
    const double mean = sum_[k] / n;
    const double variance = std::max(0.0, (sumSq_[k] - n * mean * mean) / (n - 1));
    return std::sqrt(variance / n);
}

Autocorrelation autocorrelation(const Binning& binning) {
    Autocorrelation a;
    int level = 0;
    while (level + 1 < Binning::kLevels && binning.bins(level + 1) >= Binning::kMinBins)
        ++level;
    a.level = level;
    const double e0 = binning.error(0);
    if (e0 <= 0) return a;  // constant samples: nothing correlates
    const double e = binning.error(level);
    a.tau = std::max(0.0, 0.5 * (e * e / (e0 * e0) - 1.0));
    // Bins long enough to judge, and two levels below them to see the error stop growing.
    if (level < Binning::kMinLevel) {
        a.converged = false;
        return a;
    }
    // Over the last two doublings the squared error may grow only by three times what kMinBins..
    // bins let it scatter (about sqrt(2 / bins)); more means the bins are still shorter than the
    // correlations. (One doubling lets short runs of the 4 x 4 torus at Tc through with errors
    // that hold a third of the time; two standard deviations warned one long cluster run in ten.)
    const double before = binning.error(level - 2);
    const double noise = std::sqrt(2.0 / static_cast<double>(binning.bins(level)));
    a.converged = e * e <= before * before * (1.0 + 3.0 * noise);
    return a;
}

Moments& Moments::operator+=(const Moments& o) {
    count += o.count;
    e += o.e, e2 += o.e2, m += o.m, absM += o.absM, m2 += o.m2, m4 += o.m4;
    for (std::size_t s = 0; s < 9; ++s)
        fractions[s] += o.fractions[s];
    return *this;
}

Moments& Moments::operator-=(const Moments& o) {
    count -= o.count;
    e -= o.e, e2 -= o.e2, m -= o.m, absM -= o.absM, m2 -= o.m2, m4 -= o.m4;
    for (std::size_t s = 0; s < 9; ++s)
        fractions[s] -= o.fractions[s];
    return *this;
}

namespace {

// Where batch b ends: (b + 1) * samples / batches without overflow, so the remainder spreads
// one sample at a time over the batches.
std::uint64_t batchEnd(std::size_t b, std::uint64_t samples) {
    const std::uint64_t k = b + 1;
    return samples / kBatchMeans * k + samples % kBatchMeans * k / kBatchMeans;
}

}  // namespace

RunAccumulator::RunAccumulator(std::uint64_t samples, bool signedM)
    : expected_(samples), boundary_(batchEnd(0, samples)), signedM_(signedM) {}

Moments& RunAccumulator::next() {
    // Samples beyond the count announced join the last batch.
    while (added_ >= boundary_ && batch_ + 1 < kBatchMeans)
        boundary_ = batchEnd(++batch_, expected_);
    ++added_;
    Moments& b = batches_[batch_];
    ++b.count;
    return b;
}

void RunAccumulator::add(double e, double m) {
    Moments& b = next();
    const double m2 = m * m;
    b.e += e, b.e2 += e * e, b.m += m, b.absM += std::fabs(m), b.m2 += m2, b.m4 += m2 * m2;
    e_.add(e);
    m_.add(signedM_ ? m : std::fabs(m));
}

void RunAccumulator::add(double e, const std::array<double, 9>& fractions) {
    Moments& b = next();
    b.e += e, b.e2 += e * e;
    for (std::size_t s = 0; s < 9; ++s)
        b.fractions[s] += fractions[s];
    e_.add(e);
}

namespace {

std::array<double, 3> derived(const Moments& s, double sites, double t) {
    const double n = static_cast<double>(s.count);
    const double e = s.e / n, e2 = s.e2 / n, absM = s.absM / n, m2 = s.m2 / n, m4 = s.m4 / n;
    return {sites * (m2 - absM * absM) / t, sites * (e2 - e * e) / (t * t),
            m2 > 0 ? 1.0 - m4 / (3.0 * m2 * m2) : 0.0};
}

// Mean and error of one sum of the moments: the mean over all samples, the error from the
// spread of the batch means of batches [from, to) that hold samples.
template <typename Get>
Estimate batchEstimate(const std::array<Moments, kBatchMeans>& batches, std::size_t from,
                       std::size_t to, Get get) {
    Estimate est;
    double sum = 0, count = 0, means = 0, meansSq = 0;
    std::size_t used = 0;
    for (std::size_t b = from; b < to; ++b) {
        if (batches[b].count == 0) continue;
        const double n = static_cast<double>(batches[b].count);
        const double v = get(batches[b]);
        sum += v, count += n;
        means += v / n, meansSq += (v / n) * (v / n);
        ++used;
    }
    if (count == 0) return est;
    est.mean = sum / count;
    if (used < 2) return est;
    const double k = static_cast<double>(used);
    const double centre = means / k;
    const double variance = std::max(0.0, (meansSq - k * centre * centre) / (k - 1));
    est.error = std::sqrt(variance / k);
    return est;
}

template <typename Get>
double drift(const std::array<Moments, kBatchMeans>& batches, Get get) {
    const std::size_t half = kBatchMeans / 2;
    const Estimate a = batchEstimate(batches, 0, half, get);
    const Estimate b = batchEstimate(batches, half, kBatchMeans, get);
    const double error = std::hypot(a.error, b.error);
    return error > 0 ? std::fabs(a.mean - b.mean) / error : 0.0;
}

}  // namespace

RunAnalysis analyse(const RunAccumulator& run, double sites, double t) {
    RunAnalysis a;
    const auto& batches = run.batches();
    a.samples = run.samples();
    auto all = [&](auto get) { return batchEstimate(batches, 0, kBatchMeans, get); };
    const auto e = [](const Moments& b) { return b.e; };
    const auto absM = [](const Moments& b) { return b.absM; };
    a.energy = all(e);
    a.magnetization = all([](const Moments& b) { return b.m; });
    a.absMagnetization = all(absM);
    for (std::size_t s = 0; s < 9; ++s)
        a.fractions[s] = all([s](const Moments& b) { return b.fractions[s]; });
    a.tauE = autocorrelation(run.energyBinning());
    a.tauM = autocorrelation(run.magnetizationBinning());
    a.driftE = drift(batches, e);
    a.driftM =
        run.signedM() ? drift(batches, [](const Moments& b) { return b.m; }) : drift(batches, absM);

    if (t == 0 || a.samples == 0) return a;
    Moments total;
    std::size_t used = 0;
    for (const Moments& b : batches) {
        total += b;
        used += b.count ? 1 : 0;
    }
    const std::array<double, 3> whole = derived(total, sites, t);
    std::array<Estimate*, 3> out{&a.fluctuations.susceptibility, &a.fluctuations.specificHeat,
                                 &a.fluctuations.binder};
    for (std::size_t q = 0; q < 3; ++q)
        out[q]->mean = whole[q];
    if (used < 2) return a;
    // Leave one batch out at a time.
    std::array<double, 3> sum{}, sumSq{};
    std::array<std::array<double, 3>, kBatchMeans> left{};
    for (std::size_t i = 0; i < kBatchMeans; ++i) {
        if (batches[i].count == 0) continue;
        Moments rest = total;
        rest -= batches[i];
        left[i] = derived(rest, sites, t);
        for (std::size_t q = 0; q < 3; ++q)
            sum[q] += left[i][q];
    }
    const double n = static_cast<double>(used);
    for (std::size_t q = 0; q < 3; ++q) {
        const double mean = sum[q] / n;
        for (std::size_t i = 0; i < kBatchMeans; ++i) {
            if (batches[i].count) sumSq[q] += (left[i][q] - mean) * (left[i][q] - mean);
        }
        out[q]->mean = n * whole[q] - (n - 1) * mean;
        out[q]->error = std::sqrt((n - 1) / n * sumSq[q]);
    }
    return a;
}

namespace {

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, v < 10 ? "%.2g" : "%.0f", v);
    return buf;
}

}  // namespace

Verdict judge(const RunAnalysis& a, double sweepsPerSample, bool hasE, bool hasM) {
    Verdict v;
    auto say = [&](const std::string& text) {
        if (!v.warning.empty()) v.warning += "; ";
        v.warning += text;
    };
    bool tooShort = false, drifts = false;
    // The larger time of the observables reported; an unconverged binning counts as too short.
    const Autocorrelation* worst = nullptr;
    const char* worstName = "";
    if (hasE) worst = &a.tauE, worstName = "tau_e";
    if (hasM && (!worst || a.tauM.tau > worst->tau)) worst = &a.tauM, worstName = "tau_m";
    const double batch = static_cast<double>(a.samples) / double(kBatchMeans);
    if (worst && batch < kBatchTaus * worst->tau) {
        say("too short: batches of " + number(batch * sweepsPerSample) + " sweeps < 10 " +
            worstName + " = " + number(kBatchTaus * worst->tau * sweepsPerSample) + " sweeps");
        tooShort = true;
    }
    struct Observable {
        bool has;
        const Autocorrelation& tau;
        double drift;
        const char* name;
    };
    const Observable observables[] = {{hasE, a.tauE, a.driftE, "e"}, {hasM, a.tauM, a.driftM, "m"}};
    for (const Observable& o : observables) {
        if (!o.has || o.tau.converged || tooShort) continue;
        if (o.tau.level < Binning::kMinLevel) {
            // Too few samples for bins long enough to compare.
            say("too short: " + std::to_string(a.samples) + " samples cannot show tau_" + o.name +
                " (" + std::to_string(Binning::kMinBins << Binning::kMinLevel) + " can)");
        } else {
            say(std::string("too short: tau_") + o.name + " still growing at " +
                number(o.tau.tau * sweepsPerSample) + " sweeps");
        }
        tooShort = true;
    }
    for (const Observable& o : observables) {
        if (!o.has || o.drift <= kDriftErrors) continue;
        say(std::string("not equilibrated: ") + o.name + " drifts " + number(o.drift) +
            " errors between halves");
        drifts = true;
    }
    if (tooShort) v.advice = "raise --trials";
    if (drifts) v.advice += std::string(v.advice.empty() ? "" : " or ") + "lengthen --burn-in";
    return v;
}

}  // namespace spinlab
