#pragma once
// The running program as the simulations see it: the generator, the event pump, the screen's
// resolution and the four windows, each created on first use. A Backend supplies what only a
// real screen knows and is told when a window comes into being or the program ends.

#include <functional>
#include <memory>
#include <string>

#include "core/controls.h"
#include "core/errors.h"
#include "core/eventpump.h"
#include "core/forms.h"
#include "core/pace.h"
#include "core/rng.h"
#include "core/runs.h"

namespace spinlab {

class Backend {
public:
    virtual ~Backend() = default;
    // A window's model now exists; a GUI builds its real window here, hidden.
    virtual void formCreated(Form& form) { (void)form; }
    // End: close every window and leave the event loop.
    virtual void endProgram() {}
    // A platform error ended an event handler; `message` says what failed, in the user's words.
    virtual void reportError(const std::string& message) { (void)message; }
    // An event handler returned: show what it changed.
    virtual void handlerFinished() {}
    // The system colour for window backgrounds; headless, the light grey of Qt's default
    // palette, so a batch picture looks like the window's.
    virtual Color windowBackground() const { return 0xEFEFEF; }
    virtual double twipsPerPixelX() const { return 15.0; }
    virtual double twipsPerPixelY() const { return 15.0; }
};

class Program {
public:
    Program(Backend& backend, EventPump& pump, Rng& rng);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Backend& backend() { return backend_; }
    EventPump& pump() { return pump_; }
    Rng& rng() { return rng_; }
    InputEpoch& epoch() { return epoch_; }
    // The runs under way in the main window and Form1, innermost last.
    RunStack& runs() { return runs_; }
    const RunStack& runs() const { return runs_; }
    // The speeds, Pause and Step of the Run menu.
    Pace& pace() { return pace_; }
    const Pace& pace() const { return pace_; }
    double TwipsPerPixelX() const { return backend_.twipsPerPixelX(); }
    double TwipsPerPixelY() const { return backend_.twipsPerPixelY(); }

    // The windows, each created (hidden) the first time it is asked for.
    MainForm& IsingModel();
    View3DForm& n3DPicForm();
    PolymerForm& PolymerWindow();
    AntForm& Form1();
    bool hasIsingModel() const { return main_ != nullptr; }
    bool hasN3DPicForm() const { return view3D_ != nullptr; }
    bool hasPolymerWindow() const { return polymer_ != nullptr; }
    bool hasForm1() const { return ant_ != nullptr; }
    template <class F>
    void forEachForm(F&& f) {
        if (main_) f(static_cast<Form&>(*main_));
        if (view3D_) f(static_cast<Form&>(*view3D_));
        if (polymer_) f(static_cast<Form&>(*polymer_));
        if (ant_) f(static_cast<Form&>(*ant_));
    }

    // End: clears every run flag, hides every window and tells the backend; loops still running
    // unwind from their next DoEvents.
    void End();
    bool ended() const { return ended_; }

    // Runs an event handler. A platform error ends it (and any loop inside it) and is reported
    // through the backend; the program goes on.
    template <class F>
    void handle(F&& handler) {
        try {
            handler();
        } catch (const PlatformError& e) {
            backend_.reportError(describeError ? describeError(e) : std::string(e.what()));
        } catch (const EndRequested&) {
        }
        backend_.handlerFinished();
    }

    // Called for every window as it comes into being, before the backend sees it; the
    // application wires the window's handlers here.
    std::function<void(Form&)> onFormCreated;

    // Turns an error into a message; the application sets it to add what it knows.
    std::function<std::string(const PlatformError&)> describeError;

private:
    template <class T>
    T& create(std::unique_ptr<T>& slot);

    Backend& backend_;
    EventPump& pump_;
    Rng& rng_;
    InputEpoch epoch_;
    RunStack runs_;
    Pace pace_;
    std::unique_ptr<MainForm> main_;
    std::unique_ptr<View3DForm> view3D_;
    std::unique_ptr<PolymerForm> polymer_;
    std::unique_ptr<AntForm> ant_;
    bool ended_ = false;
};

}  // namespace spinlab
