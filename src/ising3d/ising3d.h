#pragma once
// The cubic-lattice Ising simulation: the random set-up of Lattice3D over 0..N in each direction
// and the Monte Carlo loop, which weighs every site of the 3 x 3 x 3 box around the trial site
// and repaints accepted flips that lie in a plane the views show.

#include "core/simstate.h"

namespace spinlab {

class Program;

// s times the sum of the spins in the 3 x 3 x 3 box around site (x, y, z), clipped at 0 and N
// (no wrap-around), without the site itself: half the energy change of flipping it. The centre
// is read first, then the box z by z; an index outside 0..100 raises the bounds error.
int clippedBoxSum(const CubicLattice& lattice, int x, int y, int z, int n);
// The plain sum of the spins in that clipped box without the site, with bounds checks.
int clippedBoxTotal(const CubicLattice& lattice, int x, int y, int z, int n);

// The sum of the spins coupled to (x, y, z) under another model, with bounds checks.
int modelBoxTotal(const CubicLattice& lattice, int x, int y, int z, int n,
                  const ModelOptions& model);

inline int boxSum(const CubicLattice& lattice, int x, int y, int z, int n) {
    // Below N in every direction the zero frame clips the low edges and nothing beyond N is
    // reached, so the whole box can be summed unchecked.
    const unsigned size = static_cast<unsigned>(n);
    const unsigned inner = size <= CubicLattice::kMax ? size : 0u;
    if (static_cast<unsigned>(x) < inner && static_cast<unsigned>(y) < inner &&
        static_cast<unsigned>(z) < inner) {
        const std::int8_t* cell = lattice.cell(x, y, z);
        int around = -*cell;
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                const std::int8_t* row =
                    cell + dx * CubicLattice::kStepX + dy * CubicLattice::kStepY;
                around += row[-1] + row[0] + row[1];
            }
        }
        return *cell * around;
    }
    return clippedBoxSum(lattice, x, y, z, n);
}

// Draws and stores a random spin for every site of 0..N in each direction: z outermost, then x,
// then y. Paints nothing and does not yield.
void InitLattice3D(Program& program);
// Tries one random site per pass until Running is cleared; see the notes in the source.
void Run3D(Program& program);

}  // namespace spinlab
