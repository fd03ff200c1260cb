#pragma once
// Whether each simulation's pictures show its state, written from what the user should see
// rather than from the drawing code: each check names the first dot that disagrees, or returns
// an empty string. The size checked is the one the picture was last scaled to; sizes up to about
// 200 keep every dot on pixels of its own.

#include <string>

#include "core/program.h"

namespace spinlab::testing {

// Main window's Picture1: the dot of every site (x, y) of 0..N shows Lattice2D(x, y), light
// blue for -1 and white otherwise.
std::string squarePictureMismatch(Program& program);

// The three views: each dot (i, j) of 0..N shows its site of the plane the views were drawn at.
std::string cubicViewsMismatch(Program& program);

// The polymer picture: every unit 0..n has a white dot at its state and none at another.
std::string chainPictureMismatch(Program& program);

}  // namespace spinlab::testing
