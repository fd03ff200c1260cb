#include "core/simstate.h"

#include <cstdio>

#include "core/rng.h"
#include "core/runtime.h"

namespace spinlab {

double fieldFromText(const std::string& text) {
    if (text.empty()) return 0.0;
    try {
        // Temp's range: with it the field's part of the energy stays finite on any lattice.
        if (readCInt(text).outOfRange) throw ConversionError("Field", text, true);
        return CDbl(text);
    } catch (const ConversionError& e) {
        throw e.withInput("Field");
    }
}

std::string ModelOptions::describe() const {
    char field[32];
    std::snprintf(field, sizeof field, "%g", this->field);
    return std::string(coupling == Coupling::Block ? "block" : "nearest") + ", " +
           (edges == Edges::Open ? "open" : "periodic") + " edges, h = " + field +
           (cluster ? ", Wolff" : "");
}

void RandomSpin(SimState& state, Rng& rng) {
    rng.Randomize();
    // Rnd < 0.5 exactly when the 24-bit draw is below 2^23.
    if (rng.next24() < (1u << 23)) {
        state.SpinColor = 9;
        state.SpinValue = -1;
    } else {
        state.SpinColor = 15;
        state.SpinValue = 1;
    }
}

std::int16_t ChooseColor(const SimState& state, double x, double y) {
    const std::int32_t ix = ToInt32(x, "site index");
    if (ix < 0 || ix > SquareLattice::kMax)
        throw BoundsError("Lattice2D", ix, 0, SquareLattice::kMax);
    const std::int32_t iy = ToInt32(y, "site index");
    return state.Lattice2D.get(ix, iy) == -1 ? 9 : 15;
}

int penWidthForSize(int n) {
    if (n <= 10) return 20;
    if (n <= 20) return 10;
    if (n <= 40) return 3;
    if (n <= 65) return 2;
    return 1;
}

}  // namespace spinlab
