#include "ising3d/observables.h"

#include <algorithm>

#include "core/simstate.h"

namespace spinlab {

std::int64_t cubicEnergy(const CubicLattice& lattice, int n) {
    const int last = std::min(n, CubicLattice::kMax);
    std::int64_t bonds = 0;
    for (int x = 0; x <= last; ++x) {
        for (int y = 0; y <= last; ++y) {
            for (int z = 0; z <= last; ++z) {
                // Each pair once: the 13 box neighbours that come later in (x, y, z) order.
                int later = 0;
                for (int dx = 0; dx <= 1; ++dx) {
                    for (int dy = dx == 0 ? 0 : -1; dy <= 1; ++dy) {
                        for (int dz = (dx == 0 && dy == 0) ? 1 : -1; dz <= 1; ++dz) {
                            const int i = x + dx, j = y + dy, k = z + dz;
                            if (i > last || j < 0 || j > last || k < 0 || k > last) continue;
                            later += *lattice.cell(i, j, k);
                        }
                    }
                }
                bonds += *lattice.cell(x, y, z) * later;
            }
        }
    }
    return -bonds;
}

std::int64_t cubicBondEnergy(const CubicLattice& lattice, int n, const ModelOptions& model) {
    if (model.coupling == Coupling::Block && !model.wraps(n)) return cubicEnergy(lattice, n);
    const int last = std::min(n, CubicLattice::kMax);
    const bool wrap = model.wraps(last);
    const bool nearest = model.coupling == Coupling::Nearest;
    auto at = [&](int x, int y, int z) -> int {
        auto place = [&](int i) { return i < 0 ? last : (i > last ? 0 : i); };
        if (wrap) return *lattice.cell(place(x), place(y), place(z));
        const bool out = x > last || y < 0 || y > last || z < 0 || z > last;
        return out ? 0 : *lattice.cell(x, y, z);
    };
    std::int64_t bonds = 0;
    for (int x = 0; x <= last; ++x) {
        for (int y = 0; y <= last; ++y) {
            for (int z = 0; z <= last; ++z) {
                // Each pair once: the neighbours that come later in (x, y, z) order.
                int later = 0;
                for (int dx = 0; dx <= 1; ++dx) {
                    for (int dy = dx == 0 ? 0 : -1; dy <= 1; ++dy) {
                        for (int dz = (dx == 0 && dy == 0) ? 1 : -1; dz <= 1; ++dz) {
                            if (nearest && (dx != 0) + (dy != 0) + (dz != 0) > 1) continue;
                            later += at(x + dx, y + dy, z + dz);
                        }
                    }
                }
                bonds += *lattice.cell(x, y, z) * later;
            }
        }
    }
    return -bonds;
}

std::int64_t cubicMagnetization(const CubicLattice& lattice, int n) {
    const int last = std::min(n, CubicLattice::kMax);
    std::int64_t m = 0;
    for (int x = 0; x <= last; ++x) {
        for (int y = 0; y <= last; ++y) {
            for (int z = 0; z <= last; ++z)
                m += *lattice.cell(x, y, z);
        }
    }
    return m;
}

}  // namespace spinlab
