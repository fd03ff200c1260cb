#pragma once
// Form1's walk: Langton's ant on the window's picture, one pixel of its raster per cell, among
// random black obstacles around the start cell. Black is QBColor(0); every other colour, the
// background and whatever lies off the picture included, counts as white.

#include <cstdint>

namespace spinlab {

class Program;

// Headings as the walk codes them: 1 up, 2 right, 3 down, 4 left.
inline std::int16_t turnRight(std::int16_t heading) {
    return heading == 4 ? 1 : static_cast<std::int16_t>(heading + 1);
}
inline std::int16_t turnLeft(std::int16_t heading) {
    return heading == 1 ? 4 : static_cast<std::int16_t>(heading - 1);
}

// Where a walk ended and how it began.
struct AntWalk {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int16_t startHeading = 0;
    std::int16_t heading = 0;
    std::int32_t steps = 0;
    bool reachedBorder = false;
};

// Half the side of the obstacle square: 1000 twips in pixels, then halved, each rounded
// half-to-even (34 at 15 twips per pixel, 42 at 12).
int obstacleHalfSide(double twipsPerPixelY);

// Lays HScroll1.Value obstacles and walks from the middle of Picture1, a step per DoEvents,
// until the ant reaches the picture's border or Form1's Running is cleared.
AntWalk RunAnt(Program& program);

}  // namespace spinlab
