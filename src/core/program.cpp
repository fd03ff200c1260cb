#include "core/program.h"

namespace spinlab {

Program::Program(Backend& backend, EventPump& pump, Rng& rng)
    : backend_(backend), pump_(pump), rng_(rng) {
    runs_.countCallsOf(pump_);
    // A paused or paced run is held or paced from its first trial, not after a slice at full
    // speed; a run at full speed keeps the pump's rhythm untouched.
    runs_.onBegin = [this](RunKind kind) {
        if (pace_.governs(kind)) pump_.serviceSoon();
    };
}

Program::~Program() = default;

template <class T>
T& Program::create(std::unique_ptr<T>& slot) {
    if (!slot) {
        slot = std::make_unique<T>(*this);
        if (onFormCreated) onFormCreated(*slot);
        backend_.formCreated(*slot);
    }
    return *slot;
}

MainForm& Program::IsingModel() {
    return create(main_);
}
View3DForm& Program::n3DPicForm() {
    return create(view3D_);
}
PolymerForm& Program::PolymerWindow() {
    return create(polymer_);
}
AntForm& Program::Form1() {
    return create(ant_);
}

void Program::End() {
    if (ended_) return;
    ended_ = true;
    if (main_) main_->state.Running = false;
    if (ant_) ant_->Running = false;
    forEachForm([](Form& f) { f.window.Hide(); });
    pump_.requestEnd();
    backend_.endProgram();
}

}  // namespace spinlab
