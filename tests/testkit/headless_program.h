#pragma once
// A whole program on the headless backend, seeded: the same windows, handlers and loops as the
// real one, with a scripted event pump.

#include "app/headlessapp.h"

namespace spinlab::testing {

struct HeadlessProgram : HeadlessApp {
    explicit HeadlessProgram(std::uint64_t seed = 1, double twipsPerPixel = 15.0)
        : HeadlessApp(Rng::seeded(seed), twipsPerPixel) {}

    MainForm& main() { return program.IsingModel(); }
    SimState& state() { return program.IsingModel().state; }
    // Stop after the given number of further DoEvents calls (inside that call, as a click would).
    void stopAfter(std::uint64_t calls);
    // Presses Start and returns when the run has ended.
    void start() { main().Command1.click(); }
};

}  // namespace spinlab::testing
