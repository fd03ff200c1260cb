#include "core/forms.h"

#include <algorithm>

#include "core/program.h"

namespace spinlab {

Form::Form(const WindowDesign& design, Program& program)
    : window(std::string(design.name), std::string(design.caption)),
      design_(design),
      program_(program) {}

Control* Form::control(std::string_view name) const {
    auto it = std::find_if(controls_.begin(), controls_.end(),
                           [&](const Control* c) { return c->name() == name; });
    return it == controls_.end() ? nullptr : *it;
}

Surface* Form::surface(std::string_view name) const {
    auto it = std::find_if(surfaces_.begin(), surfaces_.end(),
                           [&](const Surface* s) { return s->name() == name; });
    return it == surfaces_.end() ? nullptr : *it;
}

Surface Form::makeSurface(std::string_view name, int drawWidth) const {
    const ControlDesign& c = design_.control(name);
    return Surface(std::string(name), pictureInterior(c.width, program_.TwipsPerPixelX()),
                   pictureInterior(c.height, program_.TwipsPerPixelY()),
                   program_.backend().windowBackground(), drawWidth);
}

namespace {
std::string str(std::string_view s) {
    return std::string(s);
}
}  // namespace

MainForm::MainForm(Program& p)
    : Form(isingModelDesign(), p),
      Picture1(makeSurface("Picture1", 20)),
      Label1("Label1", ""),
      Label2("Label2", str(caption("Label2"))),
      GridSize("GridSize", "Lattice Size", str(caption("GridSize")), p.epoch()),
      Label3("Label3", str(caption("Label3"))),
      Temp("Temp", "Temp", str(caption("Temp")), p.epoch()),
      Frame1("Frame1", str(caption("Frame1"))),
      Metropolis("Metropolis", str(caption("Metropolis")), true, p.epoch()),
      Glauber("Glauber", str(caption("Glauber")), false, p.epoch()),
      Command1("Command1", str(caption("Command1"))),
      Command2("Command2", str(caption("Command2"))),
      IsingModelItem("IsingModel", "Ising Model"),
      simulation3D("simulation3D", "3D Simulation"),
      PolymerChain("PolymerChain", "Polymer Chain"),
      Quit("Quit", "Quit", "Ctrl+Q"),
      rule(Temp, Glauber, Metropolis, p.rng(), p.epoch()),
      dynamics_{&Metropolis, &Glauber} {
    IsingModelItem.setChecked(true);
    Metropolis.joinGroup(&dynamics_);
    Glauber.joinGroup(&dynamics_);
    for (Control* c : std::initializer_list<Control*>{
             &Label1, &Label2, &GridSize, &Label3, &Temp, &Frame1, &Metropolis, &Glauber, &Command1,
             &Command2, &IsingModelItem, &simulation3D, &PolymerChain, &Quit}) {
        add(*c);
    }
    add(Picture1);
}

View3DForm::View3DForm(Program& p)
    : Form(view3DDesign(), p),
      PictureXY(makeSurface("PictureXY", 1)),
      PictureYZ(makeSurface("PictureYZ", 1)),
      PictureXZ(makeSurface("PictureXZ", 1)),
      Label2("Label2", str(caption("Label2"))),
      Label3("Label3", str(caption("Label3"))),
      Label4("Label4", str(caption("Label4"))),
      Label1("Label1", str(caption("Label1"))) {
    for (Control* c : std::initializer_list<Control*>{&Label2, &Label3, &Label4, &Label1})
        add(*c);
    for (Surface* s : {&PictureXY, &PictureYZ, &PictureXZ})
        add(*s);
}

PolymerForm::PolymerForm(Program& p)
    : Form(polymerDesign(), p),
      Label1("Label1", str(caption("Label1"))),
      Iterations("Iterations", "Number of Chain Units", str(caption("Iterations")), p.epoch()),
      Picture1(makeSurface("Picture1", 2)),
      Label7("Label7", str(caption("Label7"))),
      Label4("Label4", str(caption("Label4"))),
      Label6("Label6", str(caption("Label6"))),
      Label2("Label2", str(caption("Label2"))),
      Label5("Label5", str(caption("Label5"))),
      Label3("Label3", str(caption("Label3"))) {
    for (Control* c : std::initializer_list<Control*>{&Label1, &Iterations, &Label7, &Label4,
                                                      &Label6, &Label2, &Label5, &Label3}) {
        add(*c);
    }
    add(Picture1);
}

AntForm::AntForm(Program& p)
    : Form(antWalkDesign(), p),
      Command1("Command1", str(caption("Command1"))),
      Command2("Command2", str(caption("Command2"))),
      Command3("Command3", str(caption("Command3"))),
      Picture1(makeSurface("Picture1", 1)),
      HScroll1("HScroll1", 0, 200, 0),
      Label1("Label1", str(caption("Label1"))) {
    for (Control* c :
         std::initializer_list<Control*>{&Command1, &Command2, &Command3, &HScroll1, &Label1}) {
        add(*c);
    }
    add(Picture1);
}

}  // namespace spinlab
