#pragma once
// The whole program on the Qt backend (offscreen in tests): real windows, real widgets, the
// time-sliced pump and the clock-seeded generator, exactly as the spinlab executable builds it.

#include <QAction>
#include <QWidget>
#include <string>

#include "app/application.h"
#include "core/program.h"
#include "core/rng.h"
#include "ui/formwindow.h"
#include "ui/picturebox.h"
#include "ui/qtapp.h"
#include "ui/qtbackend.h"

namespace spinlab::testing {

// True when the widget shows exactly its surface's raster.
bool showsRaster(PictureBox* box);

struct GuiProgram : QtApp {
    GuiProgram();
    ~GuiProgram();

    MainForm& main() { return program.IsingModel(); }
    FormWindow& window(Form& form) { return *backend.windowFor(form); }
    FormWindow& mainWindow() { return window(main()); }
    // A widget of a window by its design name; fails the test when missing.
    template <class W>
    W* widget(Form& form, const std::string& name) {
        return qobject_cast<W*>(window(form).widget(name));
    }
};

}  // namespace spinlab::testing
