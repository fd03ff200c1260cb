#pragma once
// What a chain of units 0..n holds: its energy with the loop's own coupling (a pair of
// neighbouring units in the same state s contributes -s) and how many units sit in each state.

#include <array>
#include <cstdint>

namespace spinlab {

class Chain;

// H = -(sum over i in 0..n-1 with state(i) = state(i + 1) of state(i)); 0 for n <= 0.
std::int64_t chainEnergy(const Chain& chain, int n);
// counts[s - 1] = number of units 0..n in state s, for s = 1..9.
std::array<std::int64_t, 9> chainCounts(const Chain& chain, int n);

}  // namespace spinlab
