#include "antwalk/antwalk.h"

#include <limits>

#include "core/program.h"
#include "core/runtime.h"

namespace spinlab {

int obstacleHalfSide(double twipsPerPixelY) {
    const double side = Round(1000.0 / twipsPerPixelY);
    return ToInt32(side / 2.0, "the obstacle square's half-side");
}

namespace {

// The heading draw is not re-seeded: it takes the generator's next value as it stands.
std::int16_t drawHeading(Rng& rng) {
    return static_cast<std::int16_t>(Int(static_cast<double>(rng.Rnd()) * 4.0) + 1.0);
}

// Obstacles fall anywhere in the square x - h..x + h by y - h..y + h, both ends included. The
// products are taken in double precision: in single precision a draw just below 1 times 2h + 1
// rounds up to 2h + 1 and would put a cell one past the square.
void layObstacles(Program& program, Surface& picture, int count, std::int32_t x, std::int32_t y) {
    const int h = obstacleHalfSide(program.TwipsPerPixelY());
    Rng& rng = program.rng();
    rng.Randomize();
    const double side = 2.0 * h + 1.0;
    const double left = static_cast<double>(x) - h;
    const double top = static_cast<double>(y) - h;
    const Color black = QBColor(0);
    for (int i = 0; i < count; ++i) {
        const double px = Int(static_cast<double>(rng.Rnd()) * side + left);
        const double py = Int(static_cast<double>(rng.Rnd()) * side + top);
        picture.PSet(px, py, black);
    }
}

}  // namespace

// One step paints the cell being left, turns, moves, reads the new cell, counts and yields. The
// picture's scale can change only while the pump runs, so it is re-read only then. The border
// test also ends a walk that somehow stands outside the picture, which equality alone would let
// wander off for ever on a picture too small to hold the start cell inside it.
AntWalk RunAnt(Program& program) {
    AntForm& form = program.Form1();
    Surface& picture = form.Picture1;
    EventPump& pump = program.pump();
    const Color black = QBColor(0);
    const Color white = QBColor(15);

    AntWalk walk;
    std::int32_t x = ToInt32(picture.ScaleWidth() / 2.0, "the ant's start column");
    std::int32_t y = ToInt32(picture.ScaleHeight() / 2.0, "the ant's start row");
    walk.startHeading = drawHeading(program.rng());
    const int obstacles = form.HScroll1.Value();
    if (obstacles >= 1) layObstacles(program, picture, obstacles, x, y);

    std::int16_t heading = walk.startHeading;
    std::int32_t steps = 0;
    double scaleWidth = picture.ScaleWidth();
    double scaleHeight = picture.ScaleHeight();
    Color under = picture.Point(x, y);
    while (form.Running) {
        if (under == black) {
            picture.PSet(x, y, white);
            heading = turnLeft(heading);
        } else {
            picture.PSet(x, y, black);
            heading = turnRight(heading);
        }
        picture.Refresh();
        switch (heading) {
            case 1:
                --y;
                break;
            case 2:
                ++x;
                break;
            case 3:
                ++y;
                break;
            default:
                --x;
                break;
        }
        under = picture.Point(x, y);
        if (steps == std::numeric_limits<std::int32_t>::max()) {
            throw OverflowError("the ant's step count", static_cast<double>(steps) + 1.0);
        }
        ++steps;
        form.Label1.setGroupedNumber(static_cast<std::uint64_t>(steps));
        form.Label1.Refresh();
        if (pump.DoEvents()) {
            scaleWidth = picture.ScaleWidth();
            scaleHeight = picture.ScaleHeight();
        }
        if (x <= 0 || y <= 0 || x >= scaleWidth || y >= scaleHeight) {
            form.Running = false;
            walk.reachedBorder = true;
        }
    }
    walk.x = x;
    walk.y = y;
    walk.heading = heading;
    walk.steps = steps;
    return walk;
}

}  // namespace spinlab
