// Pacing without a screen: a clock and a wait that the test drives. Trials per frame at every
// speed of the table, a held run released by Stop or End, and the sizes of a sweep.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

#include "app/runcontrol.h"
#include "core/pace.h"
#include "testkit/headless_program.h"

namespace spinlab {

void PrintTo(const SpeedChoice& choice, std::ostream* out) {
    *out << choice.key;
}

namespace {

using testing::HeadlessProgram;

constexpr std::uint64_t kSecond = 1'000'000'000;

// Waits pass in no time unless they reach a deadline; the user acts inside a wait.
struct ScriptedWaiter : Pace::Waiter {
    std::uint64_t clock = 5 * kSecond;
    int frameWaits = 0;
    int holds = 0;
    std::vector<std::function<void()>> inHold;  // one action per hold, in turn

    std::uint64_t now() override { return clock; }
    void waitForEvents(std::uint64_t deadline, const std::function<bool()>& stillWaiting) override {
        if (deadline == Pace::kNoDeadline) {
            ASSERT_LT(static_cast<std::size_t>(holds), inHold.size()) << "held with nothing to do";
            inHold[static_cast<std::size_t>(holds++)]();
            // Only what the user did can end a hold; the real pump would wait on otherwise.
            EXPECT_FALSE(stillWaiting()) << "the hold would go on after action " << holds;
            return;
        }
        ++frameWaits;
        if (stillWaiting() && clock < deadline) clock = deadline;
    }
};

struct Paced : ::testing::Test {
    HeadlessProgram h;
    Pace& pace = h.program.pace();
    ScriptedWaiter waiter;

    std::uint64_t service() { return pace.pace(h.program, waiter); }
    void run(RunKind kind) {
        if (kind == RunKind::Ant) {
            h.program.Form1().Running = true;
        } else {
            h.state().Running = true;
        }
    }
};

class EverySpeed : public Paced, public ::testing::WithParamInterface<SpeedChoice> {};

// Every frame shows; by the end of frame f the run has had exactly rate * (f + 1) / 60 trials,
// so the rate is exact over every whole second and no frame takes more than its share.
TEST_P(EverySpeed, TrialsPerFrameAddUpToTheRateExactly) {
    const SpeedChoice choice = GetParam();
    pace.setSpeed(PaceTarget::Simulations, static_cast<std::size_t>(findSpeed(choice.key)));
    const RunStack::Scope scope(h.program.runs(), RunKind::Square);
    run(RunKind::Square);
    const std::uint64_t start = waiter.clock;
    std::uint64_t total = 0;
    while (waiter.frameWaits < 119) {
        const std::uint64_t trials = service();
        ASSERT_GT(trials, 0u);
        total += trials;
        const auto frames = static_cast<std::uint64_t>(waiter.frameWaits) + 1;
        ASSERT_EQ(total, choice.perSecond * frames / Pace::kFramesPerSecond);
        ASSERT_EQ(waiter.clock, start + (frames - 1) * kSecond / Pace::kFramesPerSecond);
        ASSERT_LE(trials, choice.perSecond / Pace::kFramesPerSecond + 1);
    }
    EXPECT_EQ(total, 2 * choice.perSecond);
}

INSTANTIATE_TEST_SUITE_P(Table, EverySpeed,
                         ::testing::ValuesIn(kSpeedChoices.begin() + 1, kSpeedChoices.end()),
                         [](const ::testing::TestParamInfo<SpeedChoice>& info) {
                             return std::string(info.param.key);
                         });

TEST_F(Paced, FullSpeedLeavesThePumpAloneAndEachRunKeepsItsOwnSpeed) {
    EXPECT_EQ(kSpeedChoices[pace.speed(PaceTarget::Simulations)].key, "full");
    EXPECT_EQ(kSpeedChoices[pace.speed(PaceTarget::AntWalk)].key, "3000");
    EXPECT_FALSE(pace.governs(RunKind::Square));
    EXPECT_TRUE(pace.governs(RunKind::Ant));
    EXPECT_EQ(service(), 0u);  // no run
    {
        const RunStack::Scope scope(h.program.runs(), RunKind::Cubic);
        run(RunKind::Cubic);
        EXPECT_EQ(service(), 0u);
        // A walk nested in the run goes at its own pace: 3,000 a second is 50 a frame.
        const RunStack::Scope walk(h.program.runs(), RunKind::Ant);
        run(RunKind::Ant);
        EXPECT_EQ(service(), 50u);
        EXPECT_EQ(service(), 50u);
    }
    EXPECT_EQ(waiter.frameWaits, 1);
    EXPECT_EQ(waiter.holds, 0);
}

// A machine that falls a second behind goes on at the set pace, not with a burst to catch up.
TEST_F(Paced, AnOverrunFrameStartsTheScheduleAfresh) {
    pace.setSpeed(PaceTarget::Simulations, static_cast<std::size_t>(findSpeed("1000")));
    const RunStack::Scope scope(h.program.runs(), RunKind::Square);
    run(RunKind::Square);
    EXPECT_EQ(service(), 16u);
    waiter.clock += kSecond;
    EXPECT_EQ(service(), 17u);
    const std::uint64_t resumed = waiter.clock;
    EXPECT_EQ(service(), 17u);
    EXPECT_EQ(waiter.clock, resumed + kSecond / Pace::kFramesPerSecond);
}

// Stop and End reach a held run at once: the pump lets its trial complete and the loop ends.
TEST(PacedRelease, StopOrEndEndsAHoldAtOnce) {
    const std::function<void(HeadlessProgram&)> acts[] = {
        [](HeadlessProgram& h) { h.main().Command2.click(); },
        [](HeadlessProgram& h) { h.main().Quit.click(); },
        [](HeadlessProgram& h) { h.program.Form1().Command3.click(); }};
    for (const auto& act : acts) {
        HeadlessProgram h;
        ScriptedWaiter waiter;
        const RunStack::Scope scope(h.program.runs(), RunKind::Square);
        h.state().Running = true;
        h.program.pace().setPaused(true);
        waiter.inHold = {[&] { act(h); }};
        EXPECT_EQ(h.program.pace().pace(h.program, waiter), 1u);
        EXPECT_EQ(waiter.holds, 1);
    }
}

TEST(RunControl, ASweepIsEverySiteOrUnitOnceAndAWalkHasNone) {
    struct Row {
        RunKind kind;
        const char* size;
        std::uint64_t trials;
    };
    for (const Row& row :
         {Row{RunKind::Square, "60", 61 * 61}, Row{RunKind::Square, "0", 1},
          Row{RunKind::Cubic, "100", 101 * 101 * 101}, Row{RunKind::Chain, "10000", 10001},
          Row{RunKind::Chain, "-3", 1}, Row{RunKind::Ant, "60", 0}}) {
        HeadlessProgram h;
        RunControl control(h.program);
        EXPECT_FALSE(control.canStep());
        EXPECT_EQ(control.sweepTrials(), 0u);
        h.main().GridSize.setText(row.size);
        h.program.PolymerWindow().Iterations.setText(row.size);
        const RunStack::Scope scope(h.program.runs(), row.kind);
        EXPECT_EQ(control.sweepTrials(), row.trials) << row.size;
        EXPECT_TRUE(control.canStep());
        EXPECT_EQ(control.canSweep(), row.kind != RunKind::Ant);
    }
}

TEST(RunControl, FasterAndSlowerMoveTheSpeedOfTheRunInViewAndStopAtTheEnds) {
    HeadlessProgram h;
    RunControl control(h.program);
    const Pace& pace = h.program.pace();
    control.faster(PaceTarget::Simulations);
    EXPECT_EQ(pace.speed(PaceTarget::Simulations), 0u);
    for (std::size_t i = 0; i < kSpeedChoices.size() + 2; ++i)
        control.slower(PaceTarget::Simulations);
    EXPECT_EQ(pace.speed(PaceTarget::Simulations), kSpeedChoices.size() - 1);

    EXPECT_EQ(control.adjustedTarget(false), PaceTarget::Simulations);
    EXPECT_EQ(control.adjustedTarget(true), PaceTarget::AntWalk);
    const RunStack::Scope run(h.program.runs(), RunKind::Chain);
    EXPECT_EQ(control.adjustedTarget(true), PaceTarget::Simulations);
    const RunStack::Scope walk(h.program.runs(), RunKind::Ant);
    EXPECT_EQ(control.adjustedTarget(false), PaceTarget::AntWalk);
}

}  // namespace
}  // namespace spinlab
