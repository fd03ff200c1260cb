#include "batch/model.h"

#include <algorithm>

#include "ising2d/observables.h"
#include "ising3d/observables.h"
#include "polymer/observables.h"

namespace spinlab::batch {

Observables Observables::drift(const Drift& d) {
    Observables o;
    o.energy = d.energy;
    o.magnetization = d.magnetization;
    for (std::size_t s = 0; s < o.counts.size(); ++s)
        o.counts[s] = d.stateCounts[s + 1];
    return o;
}

Observables Observables::operator+(const Observables& o) const {
    Observables r = *this;
    r.energy += o.energy;
    r.magnetization += o.magnetization;
    for (std::size_t s = 0; s < r.counts.size(); ++s)
        r.counts[s] += o.counts[s];
    return r;
}

Observables Observables::operator-(const Observables& o) const {
    Observables r = *this;
    r.energy -= o.energy;
    r.magnetization -= o.magnetization;
    for (std::size_t s = 0; s < r.counts.size(); ++s)
        r.counts[s] -= o.counts[s];
    return r;
}

RgbImage sideBySide(std::initializer_list<const Surface*> surfaces) {
    int width = 0, height = 0;
    for (const Surface* s : surfaces) {
        width += s->width();
        height = std::max(height, s->height());
    }
    RgbImage image(width, height, 0xFFFFFF);
    int left = 0;
    for (const Surface* s : surfaces) {
        for (int y = 0; y < s->height(); ++y) {
            for (int x = 0; x < s->width(); ++x) {
                image.at(left + x, y) = static_cast<std::uint32_t>(s->pixel(x, y));
            }
        }
        left += s->width();
    }
    return image;
}

namespace {

double cube(double side) {
    return side * side * side;
}

const Model kSquare{
    "square",
    false,
    [](Program& p, const Options& o) { p.IsingModel().GridSize.setText(o.size); },
    [](Program& p) {
        const MainForm& f = p.IsingModel();
        const int n = f.GridSize.cint();
        Observables o;
        o.energy = squareEnergy(f.state.Lattice2D, n);
        o.magnetization = squareMagnetization(f.state.Lattice2D, n);
        return o;
    },
    [](Program& p) {
        const double side = p.IsingModel().GridSize.cint() + 1.0;
        return side * side;
    },
    [](Program& p) { return p.IsingModel().Label1.Caption(); },
    [](Program& p) { return sideBySide({&p.IsingModel().Picture1}); },
};

const Model kCubic{
    "cubic",
    false,
    [](Program& p, const Options& o) {
        p.IsingModel().GridSize.setText(o.size);
        p.IsingModel().simulation3D.click();
    },
    [](Program& p) {
        const MainForm& f = p.IsingModel();
        const int n = f.GridSize.cint();
        Observables o;
        o.energy = cubicEnergy(f.state.Lattice3D, n);
        o.magnetization = cubicMagnetization(f.state.Lattice3D, n);
        return o;
    },
    [](Program& p) { return cube(p.IsingModel().GridSize.cint() + 1.0); },
    [](Program& p) { return p.n3DPicForm().Label1.Caption(); },
    [](Program& p) {
        const View3DForm& v = p.n3DPicForm();
        return sideBySide({&v.PictureXY, &v.PictureYZ, &v.PictureXZ});
    },
};

const Model kChain{
    "chain",
    true,
    [](Program& p, const Options& o) {
        p.IsingModel().PolymerChain.click();
        p.PolymerWindow().Iterations.setText(o.units);
    },
    [](Program& p) {
        const Chain& chain = p.IsingModel().state.ChainState;
        const int n = p.PolymerWindow().Iterations.cint();
        Observables o;
        o.energy = chainEnergy(chain, n);
        o.counts = chainCounts(chain, n);
        return o;
    },
    [](Program& p) { return p.PolymerWindow().Iterations.cint() + 1.0; },
    [](Program& p) { return p.IsingModel().Label1.Caption(); },
    [](Program& p) { return sideBySide({&p.PolymerWindow().Picture1}); },
};

}  // namespace

const Model* findModel(const std::string& name) {
    for (const Model* m : {&kSquare, &kCubic, &kChain}) {
        if (name == m->name) return m;
    }
    return nullptr;
}

}  // namespace spinlab::batch
