#pragma once
// The Lab window's work without the window: the start states a set-up leaves, the temperature
// scale of each model with its critical temperature, heating and cooling schedules counted in
// sweeps, spins drawn by hand with the running totals kept exact, and the run state in words.
// None of it touches a loop: the schedule writes Temp as a user would, between trials.

#include <cstdint>
#include <string>

#include "core/runs.h"
#include "core/simstate.h"

namespace spinlab {

class Program;

// Overwrites the freshly set-up lattice of `kind` with the start state the main window's state
// holds (nothing for a random start or the chain). Start calls it between set-up and loop.
void applyStartState(Program& program, RunKind kind);

// The temperatures a slider offers for a model, and its critical temperature (0: none known).
// The low end stays above 0.5, since Temp reads every text from -0.5 to 0.5 as T = 1.
// The 3 x 3 x 3 block cube's critical temperature, where the Binder cumulants of periodic cubes
// of different sizes cross (README gives the command that measures it).
constexpr double kBlockCubeCritical = 23.21;

struct TemperatureScale {
    double low;
    double high;
    double critical;
};
TemperatureScale temperatureScale(RunKind kind, const ModelOptions& model);
// The number of spins a site is coupled to: the field slider reaches that far, enough to turn
// every spin of an ordered lattice at any temperature.
int couplingCount(RunKind kind, const ModelOptions& model);

// A temperature as the Lab writes it into Temp: five significant digits.
std::string temperatureText(double t);

// From T1 to T2, linear in the sweeps of the run under way, or at once (0 sweeps). The trials
// are those the run's loop counts, so a paused or slowed run follows the same temperatures.
class TemperatureSchedule {
public:
    // Begins on the innermost lattice or chain run; false (and nothing begun) without one.
    bool begin(Program& program, double t1, double t2, double sweeps);
    void cancel() { active_ = false; }
    bool active() const { return active_; }
    // The temperature after `trials` of the run's trials from the beginning of the schedule.
    double at(std::uint64_t trials) const;
    // Writes Temp for the trials made so far; ends when T2 is written or the run has ended (a
    // schedule stops with its run). Returns whether the schedule is still under way.
    bool advance(Program& program);
    double target() const { return t2_; }
    double sweepsDone(Program& program) const;

private:
    bool active_ = false;
    double t1_ = 0;
    double t2_ = 0;
    double sweeps_ = 0;
    std::uint64_t serial_ = 0;
    std::uint64_t startTrial_ = 0;
    std::uint64_t sweepTrials_ = 1;
};

// Sets the sites within `radius` of a site of the innermost lattice run to `spin` (+1 or -1),
// as drawn with the mouse: the square lattice at (x, y), the cube at (x, y, z) within the section
// the view shows (`across` is 0, 1 or 2 for the axis z, x, y the section is taken across). Each
// change is painted and added to the loops' running totals under the model in force, so the
// totals stay equal to a recount. Returns how many sites changed.
int drawSquareSpins(Program& program, int x, int y, int radius, int spin);
int drawCubicSpins(Program& program, int x, int y, int z, int across, int radius, int spin);

// "Running", "Paused" or "Idle", the simulation, its model and its dynamics, in one line.
std::string runStateText(Program& program);

}  // namespace spinlab
