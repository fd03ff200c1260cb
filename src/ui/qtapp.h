#pragma once
// The whole program on Qt: generator, Qt backend, time-sliced pump, the real windows and their
// handlers, with the main window shown as at start. The program, the window benchmark and the
// GUI tests all build it this way.

#include <cstdio>
#include <string>
#include <utility>

#include "app/application.h"
#include "core/errors.h"
#include "core/program.h"
#include "core/rng.h"
#include "ui/qtbackend.h"

namespace spinlab {

struct QtApp {
    explicit QtApp(Rng generator)
        : rng(std::move(generator)), pump(backend, rng), program(backend, pump, rng), app(program) {
        // The message box says what the user can act on; the program's own detail behind it
        // (an array and an index) goes to standard error, for a bug report.
        program.describeError = [describe =
                                     std::move(program.describeError)](const PlatformError& e) {
            std::string message = describe(e);
            if (dynamic_cast<const BoundsError*>(&e))
                std::fprintf(stderr, "spinlab: %s (%s)\n", message.c_str(), e.what());
            return message;
        };
        backend.attach(program);
        pump.attach(program);
        app.start();
        backend.syncAll();
    }
    // The backend outlives the program it shows: what follows the program goes first.
    ~QtApp() { backend.release(); }
    QtApp(const QtApp&) = delete;
    QtApp& operator=(const QtApp&) = delete;

    Rng rng;
    QtBackend backend;
    QtPump pump;
    Program program;
    Application app;
};

}  // namespace spinlab
