#pragma once
// The four windows as plain controls, built from their design tables. Each exists at most once
// and is created by Program on first use; a backend that has real windows builds one for it at
// that moment and keeps it in step with these values.

#include <string_view>
#include <vector>

#include "core/acceptance.h"
#include "core/controls.h"
#include "core/layout.h"
#include "core/simstate.h"
#include "core/surface.h"

namespace spinlab {

class Program;

class Form {
public:
    Form(const WindowDesign& design, Program& program);
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const WindowDesign& design() const { return design_; }
    Window window;

    // Lookup by design name, for backends that bind widgets to these values.
    Control* control(std::string_view name) const;
    Surface* surface(std::string_view name) const;
    const std::vector<Control*>& controls() const { return controls_; }
    const std::vector<Surface*>& surfaces() const { return surfaces_; }

    // The label a loop writes its count into, if the window has one, and whether the count is
    // shown with thousands separators.
    struct Counter {
        const Label* label = nullptr;
        bool grouped = false;
    };
    virtual Counter counter() const { return {}; }

protected:
    Surface makeSurface(std::string_view name, int drawWidth) const;
    void add(Control& c) { controls_.push_back(&c); }
    void add(Surface& s) { surfaces_.push_back(&s); }
    std::string_view caption(std::string_view name) const { return design_.control(name).caption; }

    const WindowDesign& design_;
    Program& program_;

private:
    std::vector<Control*> controls_;
    std::vector<Surface*> surfaces_;
};

// IsingModel: the main window, its inputs, its surface, its File menu and the simulation state.
class MainForm : public Form {
public:
    explicit MainForm(Program& program);
    Counter counter() const override { return {&Label1, false}; }

    Surface Picture1;
    Label Label1;
    Label Label2;
    TextBox GridSize;
    Label Label3;
    TextBox Temp;
    Label Frame1;
    OptionButton Metropolis;
    OptionButton Glauber;
    Command Command1;
    Command Command2;
    // The File menu. The first item shares the window's name; here it is IsingModelItem.
    Command IsingModelItem;
    Command simulation3D;
    Command PolymerChain;
    Command Quit;

    SimState state;
    AcceptanceRule rule;

private:
    std::vector<OptionButton*> dynamics_;
};

// n3DPicForm: the three middle sections of the cubic lattice and its pass counter.
class View3DForm : public Form {
public:
    explicit View3DForm(Program& program);
    Counter counter() const override { return {&Label1, false}; }
    Surface PictureXY;
    Surface PictureYZ;
    Surface PictureXZ;
    Label Label2;
    Label Label3;
    Label Label4;
    Label Label1;
    // The middle index m whose planes the pictures were last drawn at; -1 before the first.
    int plane = -1;
};

// PolymerWindow: the chain length input and the plot of state against position.
class PolymerForm : public Form {
public:
    explicit PolymerForm(Program& program);
    Label Label1;
    TextBox Iterations;
    Surface Picture1;
    Label Label7;
    Label Label4;
    Label Label6;
    Label Label2;
    Label Label5;
    Label Label3;
};

// Form1: the ant walk with its own run flag.
class AntForm : public Form {
public:
    explicit AntForm(Program& program);
    Counter counter() const override { return {&Label1, true}; }
    Command Command1;
    Command Command2;
    Command Command3;
    Surface Picture1;
    ScrollBar HScroll1;
    Label Label1;
    bool Running = false;
};

}  // namespace spinlab
