#pragma once
// Energy and magnetisation of the cubic lattice over sites 0..N, with the loop's own coupling:
// every pair of sites in each other's 3 x 3 x 3 box (edges and corners included) and free edges.

#include <cstdint>

namespace spinlab {

class CubicLattice;
struct ModelOptions;

// E = -(sum over unordered pairs in each other's 3 x 3 x 3 box of s_i * s_j).
std::int64_t cubicEnergy(const CubicLattice& lattice, int n);
// The coupling part of the energy under the given model, as squareBondEnergy.
std::int64_t cubicBondEnergy(const CubicLattice& lattice, int n, const ModelOptions& model);
// M = sum of the spins.
std::int64_t cubicMagnetization(const CubicLattice& lattice, int n);

}  // namespace spinlab
