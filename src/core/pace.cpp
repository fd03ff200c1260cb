#include "core/pace.h"

#include <algorithm>

#include "core/program.h"

namespace spinlab {

namespace {

constexpr std::uint64_t kSecondNs = 1'000'000'000;
constexpr std::uint64_t kFrameNs = kSecondNs / Pace::kFramesPerSecond;

std::size_t defaultSpeed(std::string_view key) {
    const int found = findSpeed(key);
    return found < 0 ? 0 : static_cast<std::size_t>(found);
}

// Each kind of run has its own flag: the main window's for the simulations, Form1's for the walk.
bool goesOn(Program& program, RunKind kind) {
    if (kind == RunKind::Ant) return program.hasForm1() && program.Form1().Running;
    return program.hasIsingModel() && program.IsingModel().state.Running;
}

// A held run's counter shows the trials it has completed, the one under way not yet: a run held
// at its first trial shows 0, never the count an earlier run left there. The ant writes its
// count before it yields.
void showHeldCount(Program& program, const RunRecord& run) {
    const std::uint64_t trials = program.runs().trials(run);
    const std::uint64_t done = trials > 0 ? trials - 1 : 0;
    if (run.kind == RunKind::Cubic) {
        if (program.hasN3DPicForm()) program.n3DPicForm().Label1.setNumber(done);
    } else if (run.kind != RunKind::Ant && program.hasIsingModel()) {
        program.IsingModel().Label1.setNumber(done);
    }
}

}  // namespace

int findSpeed(std::string_view key) {
    for (std::size_t i = 0; i < kSpeedChoices.size(); ++i) {
        if (kSpeedChoices[i].key == key) return static_cast<int>(i);
    }
    return -1;
}

Pace::Pace() : speed_{defaultSpeed(kSimulationDefault), defaultSpeed(kAntDefault)} {}

void Pace::setSpeed(PaceTarget target, std::size_t choice) {
    if (choice >= kSpeedChoices.size() || speed_[index(target)] == choice) return;
    speed_[index(target)] = choice;
    changed();
}

const SpeedChoice& Pace::speedOf(RunKind kind) const {
    return kSpeedChoices[speed(kind == RunKind::Ant ? PaceTarget::AntWalk
                                                    : PaceTarget::Simulations)];
}

void Pace::setSweepSpeed(std::size_t choice) {
    if (choice >= kSweepChoices.size() || sweepSpeed_ == choice) return;
    sweepSpeed_ = choice;
    changed();
}

std::uint64_t Pace::rateOf(Program& program, RunKind kind) const {
    const std::uint64_t sweeps = kSweepChoices[sweepSpeed_].perThousandSeconds;
    if (kind == RunKind::Ant || sweeps == 0) return speedOf(kind).perSecond;
    const TextBox& input =
        kind == RunKind::Chain ? program.PolymerWindow().Iterations : program.IsingModel().GridSize;
    std::uint64_t sweep = 1;
    if (input.cintConverts() && input.cint() >= 0) {
        const std::uint64_t side = static_cast<std::uint64_t>(input.cint()) + 1;
        sweep = kind == RunKind::Square  ? side * side
                : kind == RunKind::Cubic ? side * side * side
                                         : side;
    }
    return std::max<std::uint64_t>(1, (sweeps * sweep + 500) / 1000);
}

void Pace::setPaused(bool on) {
    if (paused_ == on) return;
    paused_ = on;
    steps_ = 0;
    changed();
}

void Pace::step(std::uint64_t trials) {
    if (!paused_) {
        setPaused(true);
        return;
    }
    steps_ += trials;
    changed();
}

bool Pace::governs(RunKind kind) const {
    return paused_ || speedOf(kind).perSecond != 0 ||
           (kind != RunKind::Ant && kSweepChoices[sweepSpeed_].perThousandSeconds != 0);
}

std::uint64_t Pace::frameStart(std::uint64_t frame) const {
    return start_ + frame * kSecondNs / kFramesPerSecond;
}

std::uint64_t Pace::pace(Program& program, Waiter& waiter) {
    // Whether this service has shown its frame yet: every frame shows, even one that overran.
    bool shown = false;
    for (;;) {
        const RunRecord* run = program.runs().innermost();
        if (run == nullptr) return 0;
        // A stopped run completes its trial and ends; the next DoEvents paces whatever is left.
        if (program.ended() || !goesOn(program, run->kind)) return 1;
        if (run->serial != serial_) {
            serial_ = run->serial;
            fresh_ = true;
        }
        const std::uint64_t rate = rateOf(program, run->kind);
        if (!paused_ && rate == 0) {
            fresh_ = true;
            return 0;
        }
        const RunRecord current = *run;
        const std::uint64_t version = version_;
        const std::function<bool()> unchanged = [this, &program, current, version] {
            const RunRecord* now = program.runs().innermost();
            return version_ == version && now != nullptr && now->serial == current.serial &&
                   !program.ended() && goesOn(program, current.kind);
        };

        if (paused_) {
            if (steps_ > 0) {
                const std::uint64_t trials = steps_;
                steps_ = 0;
                return trials;
            }
            showHeldCount(program, current);
            waiter.waitForEvents(kNoDeadline, unchanged);
            shown = true;
            continue;
        }
        if (fresh_) {
            fresh_ = false;
            start_ = waiter.now();
            frame_ = 0;
            credit_ = 0;
        } else {
            // The frame's trials are done: show them and wait out the rest of the frame.
            const std::uint64_t end = frameStart(frame_ + 1);
            if (!shown || waiter.now() < end) {
                showHeldCount(program, current);
                waiter.waitForEvents(end, unchanged);
                shown = true;
                // The wait may have let the user change anything, or run a nested run.
                continue;
            }
            const std::uint64_t now = waiter.now();
            // A frame that overran by a whole frame starts the schedule afresh rather than
            // making up for it in a burst.
            if (now - end >= kFrameNs) {
                start_ = now;
                frame_ = 0;
            } else {
                ++frame_;
            }
        }
        credit_ += rate;
        const std::uint64_t trials = credit_ / kFramesPerSecond;
        credit_ %= kFramesPerSecond;
        if (trials > 0) return trials;
        // Below 60 per second most frames have no trial; each is shown and waited out too.
        shown = false;
    }
}

}  // namespace spinlab
