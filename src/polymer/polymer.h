#pragma once
// The polymer chain simulation: the random set-up of ChainState over units 0..n, the plot of
// state against position in the polymer window, and the Monte Carlo loop that redraws each
// accepted move and counts passes in the main window.

#include "core/rounding.h"
#include "core/simstate.h"

namespace spinlab {

class Program;
class Rng;

// M(old) - M(new) for moving unit x of the chain 0..n from its present state to `proposed`:
// M(s) adds the states of the units next to x (x - 1 and x + 1, clipped at 0 and n) that are in
// state s. Raises the bounds error for an index outside the array (a negative n).
int clippedEnergyChange(const Chain& chain, int x, int n, int proposed);

inline int energyChange(const Chain& chain, int x, int n, int proposed) {
    // An inner unit of a chain that fits the array has both neighbours; only the two ends and
    // the lengths that fail need the clipped, checked path.
    if (0 < x && x < n && n <= Chain::kMax) {
        const std::int16_t* unit = chain.data() + x;
        const int old = unit[0];
        const int left = unit[-1];
        const int right = unit[1];
        return (left == old ? left : 0) + (right == old ? right : 0) -
               (left == proposed ? left : 0) - (right == proposed ? right : 0);
    }
    return clippedEnergyChange(chain, x, n, proposed);
}

// The set-up's random state for a draw r: 1 + Round(8 * r), 2 to 8 each with chance 1/8, 1
// and 9 with 1/16.
inline int setUpState(float r) {
    return 1 + roundToInt(r * 8.0f);
}
// The loop's proposal for a draw r: Round(8 * r + 1), the sum formed in single precision. It
// follows the same odds but parts from the set-up's rule where 8 * r is m + 1/2 (the tie goes to
// the even neighbour of m + 3/2, not 1 + that of m + 1/2) and where the sum itself rounds onto
// such a tie (8 * r = 7.5 + 2^-21).
inline int loopProposal(float r) {
    return roundToInt(r * 8.0f + 1.0f);
}

// Re-seeds and draws a set-up state.
int drawChainState(Rng& rng);

// Gives units 0..n (n from Iterations) a fresh random state each; draws nothing.
void InitChain(Program& program);
// Scales the polymer picture to n x 10 user units and paints one dot per unit at (i, state).
void DrawChain(Program& program);
// Tries one random unit per pass until Running is cleared; Iterations is locked meanwhile.
void RunChain(Program& program);
// Mirrors the Iterations text into the label at the right end of the polymer axis.
void Iterations_Change(Program& program);

}  // namespace spinlab
