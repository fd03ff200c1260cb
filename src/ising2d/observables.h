#pragma once
// Energy and magnetisation of the square lattice over sites 0..N, with the loop's own coupling:
// every pair of sites in each other's 3 x 3 block (diagonals included) and free edges.

#include <cstdint>

namespace spinlab {

class SquareLattice;

// E = -(sum over unordered pairs in each other's 3 x 3 block of s_i * s_j).
std::int64_t squareEnergy(const SquareLattice& lattice, int n);
// M = sum of the spins.
std::int64_t squareMagnetization(const SquareLattice& lattice, int n);

}  // namespace spinlab
