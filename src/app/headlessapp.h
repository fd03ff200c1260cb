#pragma once
// The whole program on the headless backend: generator, off-screen backend, scripted pump, the
// windows and their handlers, with the main window shown as at start. The batch tool, the
// benchmarks and the tests all run the program through this one assembly.

#include <utility>

#include "app/application.h"
#include "core/headless.h"
#include "core/program.h"
#include "core/rng.h"

namespace spinlab {

struct HeadlessApp {
    explicit HeadlessApp(Rng generator, double twipsPerPixel = 15.0)
        : rng(std::move(generator)),
          backend(twipsPerPixel),
          pump(&rng),
          program(backend, pump, rng),
          app(program) {
        app.start();
    }
    HeadlessApp(const HeadlessApp&) = delete;
    HeadlessApp& operator=(const HeadlessApp&) = delete;

    Rng rng;
    HeadlessBackend backend;
    HeadlessPump pump;
    Program program;
    Application app;
};

}  // namespace spinlab
