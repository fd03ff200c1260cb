#pragma once
// The square-lattice Ising simulation: scaling the main window's picture, the random set-up of
// Lattice2D over 0..N, and the Monte Carlo loop with its live repaint and trial counter.

namespace spinlab {

class Program;

// Scales Picture1 to N x N user units and picks the pen width for N.
void SetupPicture2D(Program& program);
// Draws, paints and stores a random spin for every site of 0..N x 0..N, column by column.
void InitLattice2D(Program& program);
// Tries one random site per trial until Running is cleared; see the notes in the source.
void Run2D(Program& program);

}  // namespace spinlab
