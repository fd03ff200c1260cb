#include "core/layout.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace spinlab {

namespace {

using K = ControlKind;

constexpr ControlDesign kIsingControls[] = {
    {"Picture1", K::PictureBox, "", 120, 120, 3375, 3135, 0, ""},
    {"Label1", K::Label, "", 3720, 120, 855, 375, 5, ""},
    {"Label2", K::Label, "Lattice Size", 3720, 600, 855, 255, 6, ""},
    {"GridSize", K::TextBox, "60", 4680, 600, 735, 285, 4, ""},
    {"Label3", K::Label, "Temp", 3720, 960, 855, 255, 7, ""},
    {"Temp", K::TextBox, "2.2619", 4680, 960, 735, 285, 2, ""},
    {"Frame1", K::Frame, "Algorithm", 3840, 1440, 1575, 1095, 10, ""},
    {"Metropolis", K::OptionButton, "Metropolis", 4080, 1800, 1095, 255, 8, ""},
    {"Glauber", K::OptionButton, "Glauber", 4080, 2040, 1095, 255, 9, ""},
    {"Command1", K::CommandButton, "Start", 3720, 2880, 975, 495, 1, ""},
    {"Command2", K::CommandButton, "Stop", 4800, 2880, 855, 495, 3, ""},
};

constexpr MenuItemDesign kIsingMenu[] = {
    {"IsingModel", "Ising Model", true, ""},
    {"simulation3D", "3D Simulation", false, ""},
    {"PolymerChain", "Polymer Chain", false, ""},
    {"Quit", "Quit", false, "Ctrl+Q"},
};

constexpr ControlDesign kView3DControls[] = {
    {"PictureXY", K::PictureBox, "", 0, 0, 3375, 3135, 0, ""},
    {"PictureYZ", K::PictureBox, "", 3480, 0, 3255, 3135, 1, ""},
    {"PictureXZ", K::PictureBox, "", 6840, 0, 3255, 3135, 2, ""},
    {"Label2", K::Label, "XY Plane", 1320, 3240, 735, 255, 4, ""},
    {"Label3", K::Label, "YZ Plane", 4800, 3240, 735, 255, 5, ""},
    {"Label4", K::Label, "XZ Plane", 8160, 3240, 855, 255, 6, ""},
    {"Label1", K::Label, "Label1", 4800, 3600, 1095, 255, 3, ""},
};

constexpr ControlDesign kPolymerControls[] = {
    {"Label1", K::Label, "Number of Chain Units", 0, 120, 1695, 255, 2, ""},
    {"Iterations", K::TextBox, "10", 1680, 120, 855, 285, 0, ""},
    {"Picture1", K::PictureBox, "", 1560, 480, 6735, 1215, 1, ""},
    // The plot draws state s at s tenths of the picture's interior (495 twips down, 1185 high),
    // so state 1 lies near its top and state 9 near its bottom: each mark is centred on the
    // row it names.
    {"Label7", K::Label, "9", 1200, 1434, 255, 255, 8, ""},
    {"Label4", K::Label, "Rotational State", 120, 960, 1215, 255, 5, ""},
    {"Label6", K::Label, "1", 1200, 486, 255, 255, 7, ""},
    {"Label2", K::Label, "0", 1560, 1800, 615, 255, 3, ""},
    {"Label5", K::Label, "Polymer Axis", 4560, 1800, 975, 255, 6, ""},
    {"Label3", K::Label, "10", 7800, 1800, 375, 255, 4, ""},
};

constexpr ControlDesign kAntControls[] = {
    {"Command1", K::CommandButton, "Start", 3240, 360, 975, 375, 0, ""},
    {"Command2", K::CommandButton, "Stop", 3240, 1080, 855, 375, 1, ""},
    {"Command3", K::CommandButton, "End", 3240, 1800, 855, 495, 2, ""},
    {"Picture1", K::PictureBox, "", 360, 600, 2055, 2175, 3, ""},
    {"HScroll1", K::HScrollBar, "", 0, 1920, 2055, 270, 4, "Picture1"},
    {"Label1", K::Label, "Label1", 2640, 2520, 1455, 375, 5, ""},
};

const WindowDesign kIsing{
    "IsingModel", "Ising Model 2D Simulation", 5760, 3585, false, false, kIsingControls, "File",
    kIsingMenu};
const WindowDesign kView3D{"n3DPicForm", "3D Simulation View", 10095, 3900, true,
                           true,         kView3DControls,      "",    {}};
const WindowDesign kPolymer{"PolymerWindow",
                            "1D Polymer Rotation Simulation",
                            8355,
                            2085,
                            true,
                            true,
                            kPolymerControls,
                            "",
                            {}};
const WindowDesign kAnt{"Form1", "Form1", 4680, 3195, false, false, kAntControls, "", {}};

}  // namespace

const ControlDesign& WindowDesign::control(std::string_view controlName) const {
    auto it = std::find_if(controls.begin(), controls.end(),
                           [&](const ControlDesign& c) { return c.name == controlName; });
    if (it == controls.end()) {
        throw std::logic_error("no control " + std::string(controlName) + " in " +
                               std::string(name));
    }
    return *it;
}

const WindowDesign& isingModelDesign() {
    return kIsing;
}
const WindowDesign& view3DDesign() {
    return kView3D;
}
const WindowDesign& polymerDesign() {
    return kPolymer;
}
const WindowDesign& antWalkDesign() {
    return kAnt;
}

int twipsToPixels(int twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

int pictureInterior(int twips, double twipsPerPixel) {
    return std::max(twipsToPixels(twips, twipsPerPixel) - 2, 1);
}

}  // namespace spinlab
