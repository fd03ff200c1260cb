#include "ising3d/planeviews.h"

#include "core/program.h"

namespace spinlab {

int middleIndex(int n) {
    return static_cast<int>(Round(n / 2.0));
}

void ScaleViews3D(Program& program) {
    const TextBox& gridSize = program.IsingModel().GridSize;
    View3DForm& view = program.n3DPicForm();
    Surface* const pictures[] = {&view.PictureXY, &view.PictureYZ, &view.PictureXZ};
    const float n = gridSize.cint();
    for (Surface* picture : pictures)
        picture->setScaleHeight(n);
    for (Surface* picture : pictures)
        picture->setScaleWidth(n);
    const int width = penWidthForSize(gridSize.cint());
    for (Surface* picture : pictures)
        picture->setDrawWidth(width);
}

namespace {

// Paints one plane in full: the dot at (i, j) shows the site that `site(i, j, m)` names.
template <class Site>
void paintPlane(Surface& picture, const CubicLattice& lattice, const TextBox& gridSize, Site site) {
    const int columns = gridSize.cint();
    for (int i = 0; i <= columns; ++i) {
        const int rows = gridSize.cint();
        for (int j = 0; j <= rows; ++j) {
            const int m = middleIndex(gridSize.cint());
            const auto [x, y, z] = site(i, j, m);
            picture.PSet(i, j, QBColor(ChooseColor3D(lattice.get(x, y, z))));
        }
    }
}

struct Site {
    int x, y, z;
};

}  // namespace

void SetupViews3D(Program& program) {
    ScaleViews3D(program);
    MainForm& form = program.IsingModel();
    View3DForm& view = program.n3DPicForm();
    const CubicLattice& lattice = form.state.Lattice3D;
    const TextBox& gridSize = form.GridSize;
    view.plane = middleIndex(gridSize.cint());
    paintPlane(view.PictureXY, lattice, gridSize, [](int x, int y, int m) {
        return Site{x, y, m};
    });
    paintPlane(view.PictureYZ, lattice, gridSize, [](int y, int z, int m) {
        return Site{m, y, z};
    });
    paintPlane(view.PictureXZ, lattice, gridSize, [](int x, int z, int m) {
        return Site{x, m, z};
    });
}

std::int16_t ChooseColor3D_Prog(const SimState& state, std::int64_t x, std::int64_t y,
                                std::int64_t z) {
    return ChooseColor3D(state.Lattice3D.get(x, y, z));
}

int repaintSite(View3DForm& view, int x, int y, int z, Color color) {
    const int m = view.plane;
    int painted = 0;
    if (z == m) {
        view.PictureXY.PSet(x, y, color);
        ++painted;
    }
    if (x == m) {
        view.PictureYZ.PSet(y, z, color);
        ++painted;
    }
    if (y == m) {
        view.PictureXZ.PSet(x, z, color);
        ++painted;
    }
    return painted;
}

}  // namespace spinlab
