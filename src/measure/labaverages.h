#pragma once
// The Lab window's live averages, taken from the windows' recorded series (the rows Save
// Measurements writes) from a chosen trial on, with the errors of the shared statistics: so what
// the Lab shows is what anyone computes from the saved file.

#include <array>
#include <cstdint>
#include <vector>

#include "measure/accumulator.h"
#include "measure/recorder.h"
#include "measure/stats.h"

namespace spinlab {

struct LabAverages {
    static constexpr int kHistogramBins = 40;  // m per site over -1..1

    std::size_t samples = 0;
    Estimate energy;            // <E> per site, the field's part included
    Estimate absMagnetization;  // <|m|>
    Fluctuations fluctuations;  // chi, C and U4, jackknifed over the batches
    // Whether the samples can vouch for these errors, as a sweep's row says it.
    Verdict verdict;
    std::array<std::uint64_t, kHistogramBins> histogram{};
};

// Averages over the rows of `store` at trial `from` or later, for a run of `sites` sites at
// temperature `t`; `chain` rows have no magnetisation (only <E> and C are then taken).
LabAverages labAverages(const SeriesStore& store, std::uint64_t from, double sites, double t,
                        bool chain);

// The histogram bin of m per site: -1 falls in the first, +1 in the last.
int histogramBin(double m);

}  // namespace spinlab
