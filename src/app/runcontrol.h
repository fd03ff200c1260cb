#pragma once
// The Run menu's commands without the menu: Pause and Resume, Step by one trial or one sweep, and
// the two speeds. Pause and Step act on whichever run is innermost, simulation or ant walk.

#include <cstddef>
#include <cstdint>

#include "core/pace.h"

namespace spinlab {

class Program;

class RunControl {
public:
    explicit RunControl(Program& program) : program_(program) {}

    void togglePause();
    // One trial of the innermost run (a step of the ant); pauses a run that goes on.
    void step();
    // One sweep of the innermost simulation; pauses a run that goes on.
    void stepSweep();
    // One choice faster or slower in the table, stopping at its ends.
    void faster(PaceTarget target);
    void slower(PaceTarget target);

    // Trials in one sweep of the innermost simulation, from the size it reads now: (N + 1)^2 on
    // the square lattice, (N + 1)^3 on the cube, n + 1 on the chain (1 for a negative size,
    // which the next trial reports). 0 with no simulation innermost: a walk has no sweeps.
    std::uint64_t sweepTrials() const;
    bool canStep() const;
    bool canSweep() const;
    // The speed that Faster and Slower change: the innermost run's; with none under way, the
    // ant's while its window is the one in use.
    PaceTarget adjustedTarget(bool antWindowActive) const;

private:
    Program& program_;
};

}  // namespace spinlab
