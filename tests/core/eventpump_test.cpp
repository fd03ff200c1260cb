// The headless event pump: scripted events run inside exactly the DoEvents call asked for, and
// after End every DoEvents unwinds its loop.

#include "core/eventpump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/errors.h"
#include "core/headless.h"
#include "core/program.h"
#include "core/rng.h"

namespace spinlab {
namespace {

// Calls DoEvents `count` times and returns the numbers of the calls that returned true.
std::vector<std::uint64_t> pump(HeadlessPump& p, int count) {
    std::vector<std::uint64_t> serviced;
    for (int i = 0; i < count; ++i) {
        if (p.DoEvents()) serviced.push_back(p.calls());
    }
    return serviced;
}

using Calls = std::vector<std::uint64_t>;

TEST(HeadlessPump, AnEventRunsInsideExactlyTheKthCall) {
    for (std::uint64_t k : {1u, 2u, 5u, 1000u}) {
        HeadlessPump p;
        pump(p, 3);  // k counts from now, not from the pump's creation
        std::uint64_t ranAt = 0;
        p.after(k, [&] { ranAt = p.calls(); });
        EXPECT_TRUE(p.hasPendingEvents());
        const Calls serviced = pump(p, static_cast<int>(k) + 5);
        EXPECT_EQ(ranAt, 3 + k);
        EXPECT_EQ(serviced, Calls{3 + k});
        EXPECT_FALSE(p.hasPendingEvents());
    }
}

TEST(HeadlessPump, EventsDueTogetherRunInTheOrderScheduled) {
    HeadlessPump p;
    std::vector<int> order;
    p.after(4, [&] { order.push_back(2); });
    p.after(2, [&] { order.push_back(1); });
    p.after(4, [&] { order.push_back(3); });
    EXPECT_EQ(pump(p, 6), (Calls{2, 4}));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(HeadlessPump, AnEventCanScheduleTheNext) {
    HeadlessPump p;
    Calls ran;
    p.after(2, [&] {
        ran.push_back(p.calls());
        p.after(3, [&] { ran.push_back(p.calls()); });
        p.after(1, [&] { ran.push_back(p.calls()); });
    });
    EXPECT_EQ(pump(p, 10), (Calls{2, 3, 5}));
    EXPECT_EQ(ran, (Calls{2, 3, 5}));
}

TEST(HeadlessPump, AfterZeroMeansTheNextCall) {
    HeadlessPump p;
    pump(p, 1);
    bool ran = false;
    p.after(0, [&] { ran = true; });
    EXPECT_TRUE(p.DoEvents());
    EXPECT_TRUE(ran);
}

TEST(HeadlessPump, TheEveryCallHookRunsAtItsPeriodUntilRemoved) {
    HeadlessPump p;
    pump(p, 1);
    Calls hooked;
    p.everyCall([&] { hooked.push_back(p.calls()); }, 3);
    EXPECT_EQ(pump(p, 10), (Calls{4, 7, 10}));
    EXPECT_EQ(hooked, (Calls{4, 7, 10}));

    p.everyCall({});
    EXPECT_EQ(pump(p, 10), Calls{});
    EXPECT_EQ(hooked.size(), 3u);

    p.everyCall([&] { hooked.push_back(p.calls()); });
    EXPECT_EQ(pump(p, 3), (Calls{22, 23, 24}));
}

TEST(HeadlessPump, ANestedLoopInsideAnEventPumpsOnItsOwn) {
    // Start pressed during a run: the new run's DoEvents calls are counted and serviced too.
    HeadlessPump p;
    Calls inner;
    p.after(2, [&] {
        p.after(3, [&] { inner.push_back(p.calls()); });
        for (int i = 0; i < 5; ++i)
            p.DoEvents();
    });
    pump(p, 3);
    EXPECT_EQ(inner, Calls{5});
    EXPECT_EQ(p.calls(), 8u);
}

// A loop runs the calls before the next one that services at once: they must be exactly the
// calls that would have returned false.
TEST(HeadlessPump, QuietCallsAreTheCallsBeforeTheNextThatServices) {
    HeadlessPump p;
    pump(p, 2);
    std::uint64_t ranAt = 0;
    p.after(10, [&] { ranAt = p.calls(); });
    EXPECT_EQ(p.quietCalls(), 9u);
    p.skipQuiet(4);
    EXPECT_EQ(p.calls(), 6u);
    EXPECT_EQ(p.quietCalls(), 5u);
    p.skipQuiet(100);  // never past the call that services
    EXPECT_EQ(p.calls(), 11u);
    EXPECT_EQ(p.quietCalls(), 0u);
    EXPECT_TRUE(p.DoEvents());
    EXPECT_EQ(ranAt, 12u);

    // The hook's period counts too, and a service wanted at the next call leaves none.
    Calls hooked;
    p.everyCall([&] { hooked.push_back(p.calls()); }, 3);
    EXPECT_EQ(p.quietCalls(), 2u);
    p.skipQuiet(p.quietCalls());
    EXPECT_TRUE(p.DoEvents());
    EXPECT_EQ(hooked, Calls{15});
    p.everyCall([] {}, 1);
    EXPECT_EQ(p.quietCalls(), 0u);
}

TEST(HeadlessPump, ServicingLeavesASeededGeneratorUntouched) {
    Rng rng = Rng::seeded(11);
    const Rng copy = rng;
    HeadlessPump p(&rng);
    p.everyCall([] {});
    for (int i = 0; i < 100; ++i) {
        p.DoEvents();
        rng.Randomize();
    }
    Rng expected = copy;
    EXPECT_EQ(rng.next24(), expected.next24());
}

TEST(HeadlessPump, AfterRequestEndEveryCallThrowsAndNoEventRuns) {
    HeadlessPump p;
    bool ran = false;
    p.after(1, [&] { ran = true; });
    p.requestEnd();
    EXPECT_TRUE(p.ending());
    for (int i = 0; i < 3; ++i)
        EXPECT_THROW(p.DoEvents(), EndRequested);
    EXPECT_FALSE(ran);
}

struct EndingProgram : ::testing::Test {
    Rng rng = Rng::seeded(1);
    HeadlessBackend backend;
    HeadlessPump pump{&rng};
    Program program{backend, pump, rng};
};

TEST_F(EndingProgram, EveryDoEventsAfterEndThrows) {
    pump.DoEvents();
    program.End();
    for (int i = 0; i < 3; ++i)
        EXPECT_THROW(pump.DoEvents(), EndRequested);
}

TEST_F(EndingProgram, EndInsideAnEventUnwindsThatVeryCall) {
    bool later = false;
    pump.after(2, [&] { program.End(); });
    pump.after(2, [&] { later = true; });  // due in the same call, after End
    pump.after(3, [&] { later = true; });
    EXPECT_FALSE(pump.DoEvents());
    EXPECT_THROW(pump.DoEvents(), EndRequested);
    EXPECT_EQ(pump.calls(), 2u);
    EXPECT_THROW(pump.DoEvents(), EndRequested);
    EXPECT_FALSE(later);
    EXPECT_TRUE(backend.ended);
}

}  // namespace
}  // namespace spinlab
