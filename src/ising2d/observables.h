#pragma once
// Energy and magnetisation of the square lattice over sites 0..N, with the loop's own coupling:
// every pair of sites in each other's 3 x 3 block (diagonals included) and free edges.

#include <cstdint>

namespace spinlab {

class SquareLattice;
struct ModelOptions;

// E = -(sum over unordered pairs in each other's 3 x 3 block of s_i * s_j).
std::int64_t squareEnergy(const SquareLattice& lattice, int n);
// The coupling part of the energy under the given model: -(sum over its coupled pairs of
// s_i * s_j); with wrapped edges each site's pairs to the next site along x and along y. The
// field's part, -h M, is left to the caller, so this stays a whole number.
std::int64_t squareBondEnergy(const SquareLattice& lattice, int n, const ModelOptions& model);
// M = sum of the spins.
std::int64_t squareMagnetization(const SquareLattice& lattice, int n);

}  // namespace spinlab
