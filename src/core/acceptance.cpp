#include "core/acceptance.h"

#include <cmath>

namespace spinlab {

namespace {

constexpr double kDraws = 16777216.0;  // 2^24 possible values of Rnd

// How many draws k in [0, 2^24) satisfy p > k * 2^-24. Scaling by 2^24 is exact, so this agrees
// with comparing p and the draw directly.
std::uint32_t drawsBelow(double p) {
    if (!(p > 0.0)) return 0;
    const double scaled = std::ceil(p * kDraws);
    return scaled >= kDraws ? static_cast<std::uint32_t>(kDraws)
                            : static_cast<std::uint32_t>(scaled);
}

}  // namespace

double glauberProbability(double dE, double temperature) {
    return 1.0 / (std::exp(dE / temperature) + 1.0);
}

double metropolisProbability(double dE, double temperature) {
    if (dE < 0) return 1.0;
    return std::exp(-std::fabs(dE) / temperature);
}

AcceptanceRule::AcceptanceRule(const TextBox& temp, const OptionButton& glauber,
                               const OptionButton& metropolis, Rng& rng, const InputEpoch& epoch)
    : temp_(temp), glauber_(glauber), metropolis_(metropolis), rng_(rng), epoch_(epoch) {}

void AcceptanceRule::rebuild() {
    tableEpoch_ = epoch_.value;
    error_ = nullptr;
    double t = 1.0;
    try {
        // An empty text, or one whose CInt is 0 (anything from -0.5 to 0.5), means T = 1.
        if (!temp_.Text().empty() && temp_.cint() != 0) t = temp_.cdbl();
    } catch (const ConversionError&) {
        error_ = std::current_exception();
        return;
    }
    table_.temperature = t;
    table_.glauber = glauber_.Value();
    table_.metropolis = metropolis_.Value();
    for (int dE = -kMaxDelta; dE <= kMaxDelta; ++dE) {
        std::uint32_t threshold = 0;
        if (table_.glauber) {
            threshold = drawsBelow(glauberProbability(dE, t));
        } else if (table_.metropolis) {
            threshold = dE < 0 ? static_cast<std::uint32_t>(kDraws)
                               : drawsBelow(metropolisProbability(dE, t));
        }
        table_.threshold[dE + kMaxDelta] = threshold;
        table_.limit[dE + kMaxDelta] = static_cast<float>(threshold) * 0x1p-24f;
    }
}

Decision AcceptanceRule::CheckNoise(const double& dE) {
    rng_.Randomize();
    const std::uint32_t k = rng_.next24();
    const Table& t = table();
    if (!t.glauber && !t.metropolis) return Decision::NoDecision;
    const double whole = std::nearbyint(dE);
    if (whole == dE && std::fabs(dE) <= kMaxDelta) {
        const bool accepted = k < t.threshold[int(whole) + kMaxDelta];
        return accepted ? Decision::Accepted : Decision::Rejected;
    }
    const double r = static_cast<double>(k) / kDraws;
    if (t.glauber)
        return glauberProbability(dE, t.temperature) > r ? Decision::Accepted : Decision::Rejected;
    if (dE < 0) return Decision::Accepted;
    return metropolisProbability(dE, t.temperature) > r ? Decision::Accepted : Decision::Rejected;
}

double AcceptanceRule::temperature() {
    return table().temperature;
}

}  // namespace spinlab
