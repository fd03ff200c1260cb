// The ant walk of Form1 on the headless backend: where it starts, where its obstacles fall, its
// first step, its border, and its three buttons.

#include "antwalk/antwalk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <utility>
#include <vector>

#include "core/runtime.h"
#include "testkit/headless_program.h"

namespace spinlab {
namespace {

using testing::HeadlessProgram;
using Cell = std::pair<int, int>;

AntForm& ant(HeadlessProgram& h) {
    return h.program.Form1();
}
const AntWalk& lastWalk(HeadlessProgram& h) {
    return h.app.antCommands().lastWalk();
}
// Clicks Stop inside the walk's `steps`-th step.
void stopWalkAfter(HeadlessProgram& h, std::uint64_t steps) {
    h.pump.after(steps, [&h] { h.program.Form1().Command2.click(); });
}
// A generator whose next draw gives this start heading (Int(Rnd * 4) + 1).
Rng drawingHeading(int heading, std::uint64_t seed = 0) {
    return Rng::withNextDraw(static_cast<std::uint32_t>(heading - 1) << 22, seed);
}
std::set<Cell> blackCells(const Surface& s) {
    std::set<Cell> cells;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) == QBColor(0)) cells.insert({x, y});
        }
    }
    return cells;
}

struct DesignRow {
    double twipsPerPixel;
    Cell start;  // the middle of the picture, halves rounded to the even neighbour
    int half;    // half the side of the obstacle square
};

class DesignSurface : public ::testing::TestWithParam<DesignRow> {};

TEST_P(DesignSurface, ClearWalkStartsInTheMiddle) {
    HeadlessProgram h(1, GetParam().twipsPerPixel);
    stopWalkAfter(h, 1);
    ant(h).Command1.click();
    // The first step on a clear picture blackens the start cell and nothing else.
    EXPECT_EQ(blackCells(ant(h).Picture1), std::set<Cell>{GetParam().start});
}

TEST_P(DesignSurface, ObstaclesFillTheSquareAroundTheStartCell) {
    const auto [tpp, start, half] = GetParam();
    int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        HeadlessProgram h(seed, tpp);
        ant(h).HScroll1.setValue(200);
        stopWalkAfter(h, 1);
        ant(h).Command1.click();
        const std::set<Cell> cells = blackCells(ant(h).Picture1);
        ASSERT_GT(cells.size(), 150u);  // a few of the 200 share a cell
        for (auto [x, y] : cells) {
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    // 4000 obstacles over 2h + 1 columns and rows reach both ends of each, and no further.
    EXPECT_EQ(left, start.first - half);
    EXPECT_EQ(right, start.first + half);
    EXPECT_EQ(top, start.second - half);
    EXPECT_EQ(bottom, start.second + half);
}

// 135 x 143 pixels at 15 twips per pixel, 169 x 179 at 12: 67.5 -> 68, 71.5 -> 72, 84.5 -> 84,
// 89.5 -> 90. 1000 / 15 -> 67, 67 / 2 -> 34; 1000 / 12 -> 83, 83 / 2 -> 42.
INSTANTIATE_TEST_SUITE_P(Resolutions, DesignSurface,
                         ::testing::Values(DesignRow{15.0, {68, 72}, 34},
                                           DesignRow{12.0, {84, 90}, 42}));

TEST(Obstacles, NoneAndNoReseedAtValueZeroAndTheHeadingDrawIsNeverReseeded) {
    struct Row {
        int obstacles;
        std::uint64_t reseeds;
    };
    for (const Row row : {Row{0, 0}, Row{5, 1}}) {
        SCOPED_TRACE(row.obstacles);
        HeadlessProgram h;
        // A generator that follows the clock, with a clock reading it has not mixed in yet.
        h.rng = Rng::fromClock();
        h.rng.setClock(12345);
        Rng untouched = h.rng;
        const int heading = static_cast<int>(std::floor(untouched.Rnd() * 4.0)) + 1;
        ant(h).HScroll1.setValue(row.obstacles);
        stopWalkAfter(h, 1);
        ant(h).Command1.click();
        EXPECT_EQ(h.rng.reseeds() - untouched.reseeds(), row.reseeds);
        EXPECT_EQ(lastWalk(h).startHeading, heading);
        if (row.obstacles == 0) {
            EXPECT_EQ(blackCells(ant(h).Picture1).size(), 1u);
        }
    }
}

struct FirstStepRow {
    bool blackStart;  // an obstacle lies on the start cell
    int heading;
    Cell next;
    int nextHeading;
};

class FirstStep : public ::testing::TestWithParam<FirstStepRow> {};

TEST_P(FirstStep, FlipsTheStartCellTurnsAndMovesOneCell) {
    const FirstStepRow row = GetParam();
    HeadlessProgram h;
    h.rng = drawingHeading(row.heading);
    AntForm& form = ant(h);
    form.Picture1.Cls();
    if (row.blackStart) form.Picture1.PSet(68, 72, QBColor(0));
    form.Running = true;
    stopWalkAfter(h, 1);
    const AntWalk walk = RunAnt(h.program);
    EXPECT_EQ(walk.startHeading, row.heading);
    EXPECT_EQ(walk.heading, row.nextHeading);
    EXPECT_EQ(Cell(walk.x, walk.y), row.next);
    EXPECT_EQ(walk.steps, 1);
    EXPECT_FALSE(walk.reachedBorder);
    EXPECT_EQ(form.Label1.Caption(), "1");
    EXPECT_EQ(form.Picture1.Point(68, 72), row.blackStart ? QBColor(15) : QBColor(0));
    EXPECT_EQ(blackCells(form.Picture1).size(), row.blackStart ? 0u : 1u);
}

// White: turn right (up -> right -> down -> left -> up). Black: turn left.
INSTANTIATE_TEST_SUITE_P(
    Headings, FirstStep,
    ::testing::Values(FirstStepRow{false, 1, {69, 72}, 2}, FirstStepRow{false, 2, {68, 73}, 3},
                      FirstStepRow{false, 3, {67, 72}, 4}, FirstStepRow{false, 4, {68, 71}, 1},
                      FirstStepRow{true, 1, {67, 72}, 4}, FirstStepRow{true, 4, {68, 73}, 3}));

TEST(Border, EndsOnColumnOrRowZeroOrOneBeyondTheLast) {
    // On a picture scaled to 2 x 2 units the start cell is (1, 1) and the first step, a right
    // turn, lands on one of the four borders.
    struct Row {
        int heading;
        Cell end;
    };
    const Row rows[] = {{1, {2, 1}}, {2, {1, 2}}, {3, {0, 1}}, {4, {1, 0}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.heading);
        HeadlessProgram h;
        h.rng = drawingHeading(row.heading);
        ant(h).Picture1.setScaleWidth(2);
        ant(h).Picture1.setScaleHeight(2);
        stopWalkAfter(h, 1000);  // a missed border fails the test rather than hanging it
        ant(h).Command1.click();
        EXPECT_EQ(Cell(lastWalk(h).x, lastWalk(h).y), row.end);
        EXPECT_EQ(lastWalk(h).steps, 1);
        EXPECT_TRUE(lastWalk(h).reachedBorder);
        EXPECT_FALSE(ant(h).Running);
    }
}

// Langton's ant written from the rules alone on a plain grid, with the obstacles taken from the
// generator in the documented order: heading, then x and y of each obstacle.
struct Reference {
    std::set<Cell> black;
    Cell end;
    int steps = 0;
};

Reference referenceWalk(int width, int height, double tpp, int obstacles, Rng rng) {
    int x = static_cast<int>(std::nearbyint(width / 2.0));
    int y = static_cast<int>(std::nearbyint(height / 2.0));
    int heading = static_cast<int>(std::floor(rng.Rnd() * 4.0)) + 1;
    const int half = static_cast<int>(std::nearbyint(std::nearbyint(1000 / tpp) / 2));
    Reference ref;
    for (int i = 0; i < obstacles; ++i) {
        const int px = static_cast<int>(std::floor(rng.Rnd() * (2.0 * half + 1))) + x - half;
        const int py = static_cast<int>(std::floor(rng.Rnd() * (2.0 * half + 1))) + y - half;
        ref.black.insert({px, py});
    }
    const int dx[] = {0, 0, 1, 0, -1};
    const int dy[] = {0, -1, 0, 1, 0};
    do {
        if (ref.black.erase({x, y}) == 1) {
            heading = heading == 1 ? 4 : heading - 1;
        } else {
            ref.black.insert({x, y});
            heading = heading == 4 ? 1 : heading + 1;
        }
        x += dx[heading];
        y += dy[heading];
        ++ref.steps;
    } while (x != 0 && y != 0 && x != width && y != height);
    ref.end = {x, y};
    return ref;
}

struct WholeWalkRow {
    double twipsPerPixel;
    int obstacles;
    int heading;
};

class WholeWalk : public ::testing::TestWithParam<WholeWalkRow> {};

TEST_P(WholeWalk, MatchesAReferenceAntToTheBorder) {
    const WholeWalkRow row = GetParam();
    HeadlessProgram h(1, row.twipsPerPixel);
    h.rng = drawingHeading(row.heading, 99);
    const Surface& picture = ant(h).Picture1;
    const Reference ref =
        referenceWalk(picture.width(), picture.height(), row.twipsPerPixel, row.obstacles, h.rng);
    ant(h).HScroll1.setValue(row.obstacles);
    ant(h).Command1.click();

    const AntWalk& walk = lastWalk(h);
    EXPECT_TRUE(walk.reachedBorder);
    EXPECT_FALSE(ant(h).Running);
    EXPECT_EQ(walk.steps, ref.steps);
    EXPECT_EQ(Cell(walk.x, walk.y), ref.end);
    EXPECT_EQ(blackCells(picture), ref.black);
    // These walks take thousands of steps (a clear one builds its highway after about 10,000):
    // the count is shown with one separator.
    ASSERT_GE(walk.steps, 1000);
    ASSERT_LT(walk.steps, 1000000);
    char shown[16];
    std::snprintf(shown, sizeof shown, "%d,%03d", walk.steps / 1000, walk.steps % 1000);
    EXPECT_EQ(ant(h).Label1.Caption(), shown);
}

INSTANTIATE_TEST_SUITE_P(Walks, WholeWalk,
                         ::testing::Values(WholeWalkRow{15.0, 0, 1}, WholeWalkRow{15.0, 0, 3},
                                           WholeWalkRow{15.0, 200, 2}, WholeWalkRow{12.0, 120, 4}));

TEST(Buttons, StopEndsTheWalkAndBringsUpTheMainWindow) {
    HeadlessProgram h;
    h.main().window.Hide();
    stopWalkAfter(h, 10);
    ant(h).Command1.click();
    EXPECT_TRUE(h.main().window.Visible());
    EXPECT_EQ(lastWalk(h).steps, 10);
    EXPECT_FALSE(lastWalk(h).reachedBorder);
    EXPECT_EQ(ant(h).Label1.Caption(), "10");
}

TEST(Buttons, EndDuringAWalkClosesEveryWindowAndUnwindsTheWalk) {
    HeadlessProgram h;
    ant(h).window.Show();
    h.pump.after(10, [&h] { h.program.Form1().Command3.click(); });
    ant(h).Command1.click();
    EXPECT_TRUE(h.program.ended());
    EXPECT_TRUE(h.backend.ended);
    EXPECT_FALSE(ant(h).window.Visible());
    EXPECT_FALSE(h.main().window.Visible());
    EXPECT_EQ(h.app.antCommands().activeWalks(), 0);
    EXPECT_TRUE(h.backend.errors.empty());
    EXPECT_EQ(ant(h).Label1.Caption(), "10");
}

TEST(Buttons, StartDuringAWalkNestsANewWalkAndOneStopEndsBoth) {
    HeadlessProgram h;
    int deepest = 0;
    h.pump.after(5, [&h] {
        stopWalkAfter(h, 3);  // inside the nested walk's third step
        h.program.Form1().Command1.click();
    });
    h.pump.after(7, [&h, &deepest] { deepest = h.app.antCommands().activeWalks(); });
    ant(h).Command1.click();
    EXPECT_EQ(deepest, 2);
    EXPECT_EQ(h.app.antCommands().activeWalks(), 0);
    EXPECT_FALSE(ant(h).Running);
    // The nested walk cleared the picture and took three steps on white cells; the outer walk
    // ended at its next test without painting again.
    EXPECT_EQ(blackCells(ant(h).Picture1).size(), 3u);
    EXPECT_EQ(lastWalk(h).steps, 5);
    EXPECT_EQ(ant(h).Label1.Caption(), "3");
}

}  // namespace
}  // namespace spinlab
