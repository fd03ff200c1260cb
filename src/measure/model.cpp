#include "measure/model.h"

#include <algorithm>
#include <cmath>

#include "ising2d/observables.h"
#include "ising3d/observables.h"
#include "polymer/observables.h"

namespace spinlab {

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

double Model::sitesOf(int n) const {
    return std::pow(n + 1.0, dimensions);
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

int gridSize(Program& p) {
    return p.IsingModel().GridSize.cint();
}

const Model kSquare{
    "square",
    RunKind::Square,
    false,
    2,
    [](Program& p, const std::string& size, const std::string&) {
        p.IsingModel().GridSize.setText(size);
    },
    gridSize,
    [](Program& p) {
        const MainForm& f = p.IsingModel();
        const int n = f.GridSize.cint();
        Observables o;
        o.energy = squareBondEnergy(f.state.Lattice2D, n, f.state.model);
        o.magnetization = squareMagnetization(f.state.Lattice2D, n);
        return o;
    },
    [](Program& p) { return p.IsingModel().Label1.Caption(); },
    [](Program& p) { return sideBySide({&p.IsingModel().Picture1}); },
};

const Model kCubic{
    "cubic",
    RunKind::Cubic,
    false,
    3,
    [](Program& p, const std::string& size, const std::string&) {
        p.IsingModel().GridSize.setText(size);
        p.IsingModel().simulation3D.click();
    },
    gridSize,
    [](Program& p) {
        const MainForm& f = p.IsingModel();
        const int n = f.GridSize.cint();
        Observables o;
        o.energy = cubicBondEnergy(f.state.Lattice3D, n, f.state.model);
        o.magnetization = cubicMagnetization(f.state.Lattice3D, n);
        return o;
    },
    [](Program& p) { return p.n3DPicForm().Label1.Caption(); },
    [](Program& p) {
        const View3DForm& v = p.n3DPicForm();
        return sideBySide({&v.PictureXY, &v.PictureYZ, &v.PictureXZ});
    },
};

const Model kChain{
    "chain",
    RunKind::Chain,
    true,
    1,
    [](Program& p, const std::string&, const std::string& units) {
        p.IsingModel().PolymerChain.click();
        p.PolymerWindow().Iterations.setText(units);
    },
    [](Program& p) -> int { return p.PolymerWindow().Iterations.cint(); },
    [](Program& p) {
        const Chain& chain = p.IsingModel().state.ChainState;
        const int n = p.PolymerWindow().Iterations.cint();
        Observables o;
        o.energy = chainEnergy(chain, n);
        o.counts = chainCounts(chain, n);
        return o;
    },
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

const Model* findModel(RunKind kind) {
    for (const Model* m : {&kSquare, &kCubic, &kChain}) {
        if (kind == m->kind) return m;
    }
    return nullptr;
}

RunKind selectedMode(Program& program) {
    // As Start reads the menu: only the two view items count.
    const MainForm& form = program.IsingModel();
    if (form.simulation3D.Checked()) return RunKind::Cubic;
    if (form.PolymerChain.Checked()) return RunKind::Chain;
    return RunKind::Square;
}

RgbImage windowPicture(Program& program, RunKind kind) {
    if (const Model* model = findModel(kind)) return model->picture(program);
    return sideBySide({&program.Form1().Picture1});
}

}  // namespace spinlab
