#include "polymer/observables.h"

#include "core/simstate.h"

namespace spinlab {

std::int64_t chainEnergy(const Chain& chain, int n) {
    std::int64_t matched = 0;
    for (int i = 0; i < n; ++i) {
        const int s = chain.get(i);
        if (s == chain.get(i + 1)) matched += s;
    }
    return -matched;
}

std::array<std::int64_t, 9> chainCounts(const Chain& chain, int n) {
    std::array<std::int64_t, 9> counts{};
    for (int i = 0; i <= n; ++i) {
        const int s = chain.get(i);
        if (s >= 1 && s <= 9) ++counts[static_cast<std::size_t>(s - 1)];
    }
    return counts;
}

}  // namespace spinlab
