#pragma once
// One descriptor per simulation that has observables (the two lattices and the chain): how to
// type its inputs and choose its mode, how to recount its energy and magnetisation or state
// counts from scratch, and what its window shows. Runs, series and sweeps are built on these.

#include <array>
#include <cstdint>
#include <string>

#include "batch/options.h"
#include "batch/png.h"
#include "core/program.h"

namespace spinlab::batch {

// Energy, magnetisation (lattices) and units per state 1..9 (chain) of the whole system.
struct Observables {
    std::int64_t energy = 0;
    std::int64_t magnetization = 0;
    std::array<std::int64_t, 9> counts{};

    // The running totals the loops keep of what accepted moves changed.
    static Observables drift(const Drift& d);
    Observables operator+(const Observables& o) const;
    Observables operator-(const Observables& o) const;
};

struct Model {
    const char* name;
    bool chain;  // reports state counts instead of a magnetisation
    // Types the simulation's own size input and chooses its mode through the File menu.
    void (*prepare)(Program& program, const Options& options);
    // A full recount over sites 0..N (units 0..n). The inputs must be valid.
    Observables (*count)(Program& program);
    // How many sites (units) the run has, for quantities per site.
    double (*sites)(Program& program);
    // The caption of the counter label the simulation writes.
    std::string (*label)(Program& program);
    // The drawing surface(s) as the window shows them, side by side in window order.
    RgbImage (*picture)(Program& program);
};

// square, cubic or chain; nullptr for any other name.
const Model* findModel(const std::string& name);

// A picture of the given surfaces placed side by side, top-aligned, in order.
RgbImage sideBySide(std::initializer_list<const Surface*> surfaces);

}  // namespace spinlab::batch
