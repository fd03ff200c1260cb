#pragma once
// One descriptor per simulation that has observables (the two lattices and the chain): how to
// type its inputs and choose its mode, how to recount its energy and magnetisation or state
// counts from scratch, and what its window shows. The batch tool's runs, series and sweeps and
// the windows' measurements are all built on these.

#include <array>
#include <cstdint>
#include <string>

#include "core/program.h"
#include "measure/png.h"

namespace spinlab {

// Energy, magnetisation (lattices) and units per state 1..9 (chain) of the whole system.
struct Observables {
    std::int64_t energy = 0;
    std::int64_t magnetization = 0;
    std::array<std::int64_t, 9> counts{};
    // The field h in force when they were taken (the loops keep only the coupling part).
    double field = 0.0;

    // The running totals the loops keep of what accepted moves changed.
    static Observables drift(const Drift& d);
    // E with the field's part: the loops keep the coupling part, a whole number.
    double total(double h) const { return double(energy) - h * double(magnetization); }
    double total() const { return total(field); }
    Observables operator+(const Observables& o) const;
    Observables operator-(const Observables& o) const;
};

struct Model {
    const char* name;
    RunKind kind;
    bool chain;      // reports state counts instead of a magnetisation
    int dimensions;  // sites = (size + 1) ^ dimensions
    // Types the simulation's own size input (as typed) and chooses its mode through the File
    // menu.
    void (*prepare)(Program& program, const std::string& size, const std::string& units);
    // The size input now: lattice size N, or the chain's n. Raises its conversion error.
    int (*size)(Program& program);
    // A full recount over sites 0..N (units 0..n). The inputs must be valid.
    Observables (*count)(Program& program);
    // The caption of the counter label the simulation writes.
    std::string (*label)(Program& program);
    // The drawing surface(s) as the window shows them, side by side in window order.
    RgbImage (*picture)(Program& program);

    // How many sites (units) a run of the given size has, for quantities per site.
    double sitesOf(int n) const;
    double sites(Program& program) const { return sitesOf(size(program)); }
};

// square, cubic or chain; nullptr for any other name.
const Model* findModel(const std::string& name);
// The model of a run; nullptr for the ant, which has no observables.
const Model* findModel(RunKind kind);

// The simulation the main window's File menu has selected (what Start would run).
RunKind selectedMode(Program& program);

// What the window of `kind` shows, as the batch tool's --png writes it (the ant: Form1's picture).
RgbImage windowPicture(Program& program, RunKind kind);

// A picture of the given surfaces placed side by side, top-aligned, in order.
RgbImage sideBySide(std::initializer_list<const Surface*> surfaces);

}  // namespace spinlab
