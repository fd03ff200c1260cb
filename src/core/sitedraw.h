#pragma once
// The loops' random index: re-seed, draw r, read the size, then Round(size * r) in single
// precision, half-to-even. Both ends of 0..size come up half as often as each inner value.
// The size is read after the draw, so a bad size text fails with the draw already taken.

#include "core/controls.h"
#include "core/rng.h"
#include "core/rounding.h"

namespace spinlab {

inline int drawIndex(Rng& rng, const TextBox& size) {
    rng.Randomize();
    const float r = rng.Rnd();
    return roundToInt(static_cast<float>(size.cint()) * r);
}

}  // namespace spinlab
