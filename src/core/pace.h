#pragma once
// How fast the runs go, and whether they are held. One table lists the speeds on offer, in
// trials (the ant's steps) per second; the main window's simulations and Form1's walk each keep
// a choice from it, and Pause and Step hold whichever run is innermost. A pump that paces asks
// pace() at each of its services how many trials to let go before the next one, so a trial never
// looks at any of this and full speed costs nothing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "core/runs.h"

namespace spinlab {

class Program;

struct SpeedChoice {
    std::string_view key;      // names the choice in options: "full", "3000", "frame"
    std::string_view caption;  // as the Run menu lists it
    std::uint64_t perSecond;   // trials (ant: steps) per second; 0 for full speed
};

// Fastest first, in steps of about three. A paced run is shown sixty frames a second, so
// "1 per frame" is 60 per second and sits between 100 and 30.
inline constexpr std::array kSpeedChoices = {
    SpeedChoice{"full", "Full speed", 0},
    SpeedChoice{"10000000", "10,000,000 per second", 10'000'000},
    SpeedChoice{"3000000", "3,000,000 per second", 3'000'000},
    SpeedChoice{"1000000", "1,000,000 per second", 1'000'000},
    SpeedChoice{"300000", "300,000 per second", 300'000},
    SpeedChoice{"100000", "100,000 per second", 100'000},
    SpeedChoice{"30000", "30,000 per second", 30'000},
    SpeedChoice{"10000", "10,000 per second", 10'000},
    SpeedChoice{"3000", "3,000 per second", 3'000},
    SpeedChoice{"1000", "1,000 per second", 1'000},
    SpeedChoice{"300", "300 per second", 300},
    SpeedChoice{"100", "100 per second", 100},
    SpeedChoice{"frame", "1 per frame (60 per second)", 60},
    SpeedChoice{"30", "30 per second", 30},
    SpeedChoice{"10", "10 per second", 10},
};

// The index in kSpeedChoices of the choice named `key`, or -1.
int findSpeed(std::string_view key);

// Speeds in sweeps per second, so that a speed means the same at every size: a sweep is one trial
// per site, (N + 1)^2 on the square lattice, (N + 1)^3 on the cube, n + 1 on the chain. Per
// thousand sweeps, so a tenth of a sweep a second is a whole number; 0 leaves the trial speed in
// force.
struct SweepChoice {
    std::string_view caption;
    std::uint64_t perThousandSeconds;  // sweeps per 1000 seconds
};
inline constexpr std::array kSweepChoices = {
    SweepChoice{"Trials per second (Run > Speed)", 0},
    SweepChoice{"0.1 sweeps per second", 100},
    SweepChoice{"0.3 sweeps per second", 300},
    SweepChoice{"1 sweep per second", 1'000},
    SweepChoice{"3 sweeps per second", 3'000},
    SweepChoice{"10 sweeps per second", 10'000},
    SweepChoice{"30 sweeps per second", 30'000},
    SweepChoice{"100 sweeps per second", 100'000},
};

// Whose speed a choice sets: the main window's three simulations, or Form1's ant walk.
enum class PaceTarget { Simulations, AntWalk };

class Pace {
public:
    static constexpr std::uint64_t kFramesPerSecond = 60;
    static constexpr std::uint64_t kNoDeadline = ~std::uint64_t{0};
    // The simulations start at full speed; the ant walks its usual 12,500 steps in about four
    // seconds, so the walk itself can be watched.
    static constexpr std::string_view kSimulationDefault = "full";
    static constexpr std::string_view kAntDefault = "3000";

    Pace();

    std::size_t speed(PaceTarget target) const { return speed_[index(target)]; }
    void setSpeed(PaceTarget target, std::size_t choice);
    const SpeedChoice& speedOf(RunKind kind) const;

    // The simulations' speed in sweeps per second instead (an index in kSweepChoices; 0: the
    // trial speed above). The ant has no sweeps and keeps its own.
    std::size_t sweepSpeed() const { return sweepSpeed_; }
    void setSweepSpeed(std::size_t choice);
    // Trials per second for a run of `kind` now: its trial speed, or its sweep speed times the
    // trials of one sweep at the size its input reads (one trial while that does not convert).
    std::uint64_t rateOf(Program& program, RunKind kind) const;

    bool paused() const { return paused_; }
    void setPaused(bool on);
    // While paused, lets `trials` more trials of the innermost run go and holds it again; a run
    // that is going on is paused at its next trial instead.
    void step(std::uint64_t trials);

    // Whether a run of `kind` needs the pump from its first trial on: paused or paced.
    bool governs(RunKind kind) const;
    // Changes with every setting, so a pump can tell that the user changed one.
    std::uint64_t version() const { return version_; }

    // What a pump offers pacing: its clock, and a wait that shows what was painted and handles
    // the user's events until the clock reaches `deadline` (kNoDeadline: none) or `stillWaiting`
    // turns false.
    class Waiter {
    public:
        virtual ~Waiter() = default;
        virtual std::uint64_t now() = 0;
        virtual void waitForEvents(std::uint64_t deadline,
                                   const std::function<bool()>& stillWaiting) = 0;
    };

    // Called at each service of a pump that paces. Holds a paused run in `waiter`'s waits, waits
    // out the rest of a paced run's frame, and returns how many trials to let go before the next
    // service: 0 when the innermost run goes at full speed (or none runs), and the pump then
    // slices as it always does. Every frame of a paced run shows, and the remainders carry over,
    // so the rate is exact over any whole second the machine keeps up with.
    std::uint64_t pace(Program& program, Waiter& waiter);

private:
    static std::size_t index(PaceTarget target) { return target == PaceTarget::AntWalk ? 1 : 0; }
    void changed() {
        ++version_;
        fresh_ = true;
    }
    std::uint64_t frameStart(std::uint64_t frame) const;

    std::array<std::size_t, 2> speed_;
    std::size_t sweepSpeed_ = 0;
    bool paused_ = false;
    std::uint64_t steps_ = 0;
    std::uint64_t version_ = 1;

    // The frame schedule of the run last paced.
    std::uint64_t serial_ = 0;
    bool fresh_ = true;
    std::uint64_t start_ = 0;
    std::uint64_t frame_ = 0;
    std::uint64_t credit_ = 0;
};

}  // namespace spinlab
