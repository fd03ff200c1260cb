#include "ising2d/observables.h"

#include "core/simstate.h"

namespace spinlab {

std::int64_t squareEnergy(const SquareLattice& lattice, int n) {
    std::int64_t bonds = 0;
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y) {
            const int s = *lattice.cell(x, y);
            // Each pair once: the neighbours that come later in (x, y) order.
            int later = 0;
            if (y < n) later += *lattice.cell(x, y + 1);
            if (x < n) {
                if (y > 0) later += *lattice.cell(x + 1, y - 1);
                later += *lattice.cell(x + 1, y);
                if (y < n) later += *lattice.cell(x + 1, y + 1);
            }
            bonds += s * later;
        }
    }
    return -bonds;
}

std::int64_t squareMagnetization(const SquareLattice& lattice, int n) {
    std::int64_t m = 0;
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y)
            m += *lattice.cell(x, y);
    }
    return m;
}

}  // namespace spinlab
