#include "testkit/gui_program.h"

#include <QCoreApplication>

namespace spinlab::testing {

GuiProgram::GuiProgram()
    : rng(Rng::seeded(1)), pump(backend, rng), program(backend, pump, rng), app(program) {
    backend.attach(program);
    app.start();
    backend.syncAll();
    QCoreApplication::processEvents();
}

GuiProgram::~GuiProgram() {
    // Leave no stray windows or queued events behind for the next test.
    QCoreApplication::processEvents();
}

}  // namespace spinlab::testing
