#pragma once
// The square-lattice Ising simulation: scaling the main window's picture, the random set-up of
// Lattice2D over 0..N, and the Monte Carlo loop with its live repaint and trial counter.

#include "core/simstate.h"

namespace spinlab {

class Program;

// s times the sum of the spins around site (x, y) in its 3 x 3 block, clipped at 0 and N (no
// wrap-around); half the energy change of flipping it. Raises the bounds error where the block
// leaves the array (N above 1000, or negative coordinates).
int clippedSiteSum(const SquareLattice& lattice, int x, int y, int n);
// The plain sum of the spins around (x, y) in its clipped block, with bounds checks.
int clippedNeighbourTotal(const SquareLattice& lattice, int x, int y, int n);

inline int siteSum(const SquareLattice& lattice, int x, int y, int n) {
    // Below N in both directions, with N within the array, the zero frame does the clipping at
    // the low edges and nothing beyond N is touched; only the high edge needs clipping. A
    // negative N reads as a size beyond the array here, so it takes the checked path.
    const unsigned size = static_cast<unsigned>(n);
    const unsigned inner = size <= SquareLattice::kMax ? size : 0u;
    if (static_cast<unsigned>(x) < inner && static_cast<unsigned>(y) < inner) {
        constexpr int kStride = SquareLattice::kStride;
        const std::int8_t* cell = lattice.cell(x, y);
        const std::int8_t* left = cell - kStride;
        const std::int8_t* right = cell + kStride;
        const int around =
            left[-1] + left[0] + left[1] + cell[-1] + cell[1] + right[-1] + right[0] + right[1];
        return *cell * around;
    }
    return clippedSiteSum(lattice, x, y, n);
}

// Scales Picture1 to N x N user units and picks the pen width for N.
void SetupPicture2D(Program& program);
// Draws, paints and stores a random spin for every site of 0..N x 0..N, column by column.
void InitLattice2D(Program& program);
// Tries one random site per trial until Running is cleared; see the notes in the source.
void Run2D(Program& program);

}  // namespace spinlab
