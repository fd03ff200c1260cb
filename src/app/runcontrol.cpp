#include "app/runcontrol.h"

#include "core/program.h"

namespace spinlab {

namespace {

std::uint64_t sitesPerSide(int n) {
    return n < 0 ? 1 : static_cast<std::uint64_t>(n) + 1;
}

}  // namespace

void RunControl::togglePause() {
    Pace& pace = program_.pace();
    pace.setPaused(!pace.paused());
}

void RunControl::step() {
    if (canStep()) program_.pace().step(1);
}

void RunControl::stepSweep() {
    const std::uint64_t trials = sweepTrials();
    if (trials > 0) program_.pace().step(trials);
}

void RunControl::faster(PaceTarget target) {
    Pace& pace = program_.pace();
    const std::size_t now = pace.speed(target);
    if (now > 0) pace.setSpeed(target, now - 1);
}

void RunControl::slower(PaceTarget target) {
    Pace& pace = program_.pace();
    pace.setSpeed(target, pace.speed(target) + 1);
}

std::uint64_t RunControl::sweepTrials() const {
    const RunRecord* run = program_.runs().innermost();
    if (run == nullptr) return 0;
    switch (run->kind) {
        case RunKind::Square: {
            const std::uint64_t side = sitesPerSide(program_.IsingModel().GridSize.cint());
            return side * side;
        }
        case RunKind::Cubic: {
            const std::uint64_t side = sitesPerSide(program_.IsingModel().GridSize.cint());
            return side * side * side;
        }
        case RunKind::Chain:
            return sitesPerSide(program_.PolymerWindow().Iterations.cint());
        case RunKind::Ant:
            break;
    }
    return 0;
}

bool RunControl::canStep() const {
    return !program_.runs().empty();
}

bool RunControl::canSweep() const {
    const RunRecord* run = program_.runs().innermost();
    return run != nullptr && run->kind != RunKind::Ant;
}

PaceTarget RunControl::adjustedTarget(bool antWindowActive) const {
    const RunRecord* run = program_.runs().innermost();
    if (run == nullptr) return antWindowActive ? PaceTarget::AntWalk : PaceTarget::Simulations;
    return run->kind == RunKind::Ant ? PaceTarget::AntWalk : PaceTarget::Simulations;
}

}  // namespace spinlab
