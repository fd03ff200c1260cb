#pragma once
// CheckNoise, the one thermal acceptance rule of all three simulations. It reads the temperature
// text and the dynamics buttons of the main window at every call; the decision thresholds for
// whole-number energy changes are kept in a table that any edit of an input invalidates, so a
// call costs a draw and a lookup and gives exactly the answer a fresh reading would.

#include <array>
#include <cstdint>
#include <exception>

#include "core/controls.h"
#include "core/rng.h"

namespace spinlab {

enum class Decision { Rejected, Accepted, NoDecision };

class AcceptanceRule {
public:
    // The callers' energy changes are whole numbers within this bound (52 at most).
    static constexpr int kMaxDelta = 64;

    AcceptanceRule(const TextBox& temp, const OptionButton& glauber, const OptionButton& metropolis,
                   Rng& rng, const InputEpoch& epoch);

    // Re-seeds, draws r, then reads the temperature and the dynamics. Throws the conversion
    // error of the temperature text after the draw.
    Decision CheckNoise(const double& dE);

    // CheckNoise for a whole-number dE within +-kMaxDelta, as a plain accept/reject.
    bool accepts(int dE) {
        rng_.Randomize();
        const float r = rng_.Rnd();
        const Table& t = table();
        return r < t.limit[dE + kMaxDelta];
    }

    // For a loop that runs many trials while no input can change: Rnd below limits[dE] accepts a
    // whole-number dE within +-kMaxDelta, exactly as accepts(dE). nullptr when the temperature
    // text fails: each trial must then go on its own, so that the error comes after its draw.
    const float* limits() {
        if (tableEpoch_ != epoch_.value) rebuild();
        return error_ ? nullptr : table_.limit.data() + kMaxDelta;
    }

    // The temperature CheckNoise uses now (1 for an empty text or one that rounds to 0).
    double temperature();

private:
    struct Table {
        // Draws k (Rnd = k * 2^-24) below threshold[dE + kMaxDelta] are accepted.
        std::array<std::uint32_t, 2 * kMaxDelta + 1> threshold{};
        // The same thresholds as Singles (threshold * 2^-24, exact), to compare with Rnd.
        std::array<float, 2 * kMaxDelta + 1> limit{};
        double temperature = 1.0;
        bool glauber = false;
        bool metropolis = false;
    };

    const Table& table() {
        if (tableEpoch_ != epoch_.value) rebuild();
        if (error_) std::rethrow_exception(error_);
        return table_;
    }
    void rebuild();

    const TextBox& temp_;
    const OptionButton& glauber_;
    const OptionButton& metropolis_;
    Rng& rng_;
    const InputEpoch& epoch_;
    Table table_;
    std::exception_ptr error_;
    std::uint64_t tableEpoch_ = 0;
};

// The probability above which a draw is rejected, for the given rule; exposed for tests and
// for the batch statistics. Glauber: 1 / (exp(dE / T) + 1); Metropolis: 1 for dE < 0, else
// exp(-|dE| / T).
double glauberProbability(double dE, double temperature);
double metropolisProbability(double dE, double temperature);

}  // namespace spinlab
