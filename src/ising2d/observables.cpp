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

std::int64_t squareBondEnergy(const SquareLattice& lattice, int n, const ModelOptions& model) {
    if (model.coupling == Coupling::Block && !model.wraps(n)) return squareEnergy(lattice, n);
    const bool wrap = model.wraps(n);
    const bool nearest = model.coupling == Coupling::Nearest;
    auto at = [&](int x, int y) -> int {
        if (wrap) return *lattice.cell(x > n ? 0 : x, y < 0 ? n : (y > n ? 0 : y));
        return x > n || y < 0 || y > n ? 0 : *lattice.cell(x, y);
    };
    std::int64_t bonds = 0;
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y) {
            // Each pair once: the neighbours that come later in (x, y) order.
            int later = at(x, y + 1) + at(x + 1, y);
            if (!nearest) later += at(x + 1, y - 1) + at(x + 1, y + 1);
            bonds += *lattice.cell(x, y) * later;
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
