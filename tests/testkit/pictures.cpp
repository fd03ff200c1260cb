#include "testkit/pictures.h"

#include <algorithm>
#include <cmath>

#include "core/runtime.h"

namespace spinlab::testing {

namespace {

// The pixel at the centre of the dot painted at user coordinate u on an axis of `pixels`
// pixels scaled to `units` (a zero scale puts every dot on the near edge).
int centre(double u, int pixels, double units) {
    if (units == 0) return 0;
    return std::clamp(static_cast<int>(std::floor(u * pixels / units)), 0, pixels - 1);
}

Color shownAt(const Surface& s, double x, double y) {
    return s.pixel(centre(x, s.width(), s.ScaleWidth()), centre(y, s.height(), s.ScaleHeight()));
}

Color spinColour(int spin) {
    return QBColor(spin == -1 ? 9 : 15);
}

std::string at(const char* what, int a, int b) {
    return std::string(what) + " " + std::to_string(a) + "," + std::to_string(b);
}

}  // namespace

std::string squarePictureMismatch(Program& program) {
    MainForm& form = program.IsingModel();
    const Surface& picture = form.Picture1;
    const int n = static_cast<int>(std::lround(picture.ScaleWidth()));
    for (int x = 0; x <= n; ++x) {
        for (int y = 0; y <= n; ++y) {
            if (shownAt(picture, x, y) != spinColour(form.state.Lattice2D.get(x, y))) {
                return at("square site", x, y);
            }
        }
    }
    return {};
}

std::string cubicViewsMismatch(Program& program) {
    const CubicLattice& cube = program.IsingModel().state.Lattice3D;
    View3DForm& view = program.n3DPicForm();
    const int m = view.plane;
    const int n = static_cast<int>(std::lround(view.PictureXY.ScaleWidth()));
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= n; ++j) {
            if (shownAt(view.PictureXY, i, j) != spinColour(cube.get(i, j, m))) {
                return at("XY dot", i, j);
            }
            if (shownAt(view.PictureYZ, i, j) != spinColour(cube.get(m, i, j))) {
                return at("YZ dot", i, j);
            }
            if (shownAt(view.PictureXZ, i, j) != spinColour(cube.get(i, m, j))) {
                return at("XZ dot", i, j);
            }
        }
    }
    return {};
}

std::string chainPictureMismatch(Program& program) {
    const Chain& chain = program.IsingModel().state.ChainState;
    const Surface& picture = program.PolymerWindow().Picture1;
    const int n = static_cast<int>(std::lround(picture.ScaleWidth()));
    for (int i = 0; i <= n; ++i) {
        for (int s = 1; s <= 9; ++s) {
            const bool white = shownAt(picture, i, s) == QBColor(15);
            if (white != (chain.get(i) == s)) {
                return at(white ? "white dot of unit, state" : "no white dot of unit, state", i, s);
            }
        }
    }
    return {};
}

}  // namespace spinlab::testing
