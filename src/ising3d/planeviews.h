#pragma once
// The three middle sections of the cubic lattice in n3DPicForm: PictureXY shows the plane z = m
// at (x, y), PictureYZ the plane x = m at (y, z), PictureXZ the plane y = m at (x, z), with m
// the middle index of the lattice. Row 0 is at the top of each picture.

#include <cstdint>

#include "core/runtime.h"
#include "core/simstate.h"

namespace spinlab {

class Program;
class View3DForm;

// m: N / 2 rounded half-to-even (60 and 61 give 30, 63 gives 32).
int middleIndex(int n);

// Scales the three pictures to N x N user units and picks the pen width for N.
void ScaleViews3D(Program& program);
// Scales the pictures and paints the three planes at m in full, one picture after the other.
void SetupViews3D(Program& program);

// Colour index of a spin: 9 for -1, 15 for anything else.
inline std::int16_t ChooseColor3D(int spin) {
    return spin == -1 ? 9 : 15;
}
// Colour index of site (x, y, z); the indices are checked against 0..100 in the order x, y, z.
std::int16_t ChooseColor3D_Prog(const SimState& state, std::int64_t x, std::int64_t y,
                                std::int64_t z);

// Paints site (x, y, z) in `color` in each picture whose plane holds it and leaves the others
// alone. Returns how many pictures were painted.
int repaintSite(View3DForm& view, int x, int y, int z, Color color);

}  // namespace spinlab
