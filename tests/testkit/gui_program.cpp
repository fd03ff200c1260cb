#include "testkit/gui_program.h"

#include <QCoreApplication>

namespace spinlab::testing {

bool showsRaster(PictureBox* box) {
    return box->shown() == box->raster();
}

GuiProgram::GuiProgram() : QtApp(Rng::seeded(1)) {
    QCoreApplication::processEvents();
}

GuiProgram::~GuiProgram() {
    // Leave no stray windows or queued events behind for the next test.
    QCoreApplication::processEvents();
}

}  // namespace spinlab::testing
