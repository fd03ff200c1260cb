// The Run menu through the real windows and the real event queue: a paused run is held inside
// its pump and goes on only as far as Step lets it, Stop, Start and Quit work in a pause, and a
// paced run or walk lets exactly its share of trials go between the pump's slices.

#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "testkit/gui_program.h"
#include "testkit/pictures.h"
#include "ui/runmenu.h"

namespace spinlab {
namespace {

using testing::GuiProgram;
using testing::InTurn;

QAction* item(GuiProgram& gui, const char* name) {
    QAction* action = gui.backend.runMenu()->action(name);
    EXPECT_NE(action, nullptr) << name;
    return action;
}

QPushButton* button(GuiProgram& gui, Form& form, const char* name) {
    return gui.widget<QPushButton>(form, name);
}

TEST(RunMenu, FollowsFileWithPauseStepTheSpeedsAndTheMeasuringTools) {
    GuiProgram gui;
    QMenuBar* bar = gui.mainWindow().menuBar();
    ASSERT_EQ(bar->actions().size(), 2);
    QMenu* run = bar->actions()[1]->menu();
    ASSERT_EQ(run, &gui.backend.runMenu()->menu());
    QStringList captions;
    for (QAction* a : run->actions())
        captions << (a->isSeparator() ? "-" : a->text() + " " + a->shortcut().toString());
    EXPECT_EQ(
        captions,
        (QStringList{"&Pause Ctrl+P", "S&tep Ctrl+T", "Step S&weep Ctrl+Shift+T", "-",
                     "&Faster Ctrl+]", "Sl&ower Ctrl+[", "&Speed ", "&Ant Speed ", "-",
                     "&Measurements Ctrl+M", "&Large View Ctrl+L", "-", "Save Pi&cture... Ctrl+S",
                     "Save Measu&rements... Ctrl+Shift+S", "-", "Mo&del ", "-", "La&b... Ctrl+K"}));
    for (const char* list : {"Speed", "AntSpeed"}) {
        QMenu* speeds = run->findChild<QMenu*>(list);
        ASSERT_NE(speeds, nullptr);
        ASSERT_EQ(speeds->actions().size(), static_cast<int>(kSpeedChoices.size()));
        for (std::size_t i = 0; i < kSpeedChoices.size(); ++i) {
            EXPECT_EQ(speeds->actions()[static_cast<int>(i)]->text().toStdString(),
                      kSpeedChoices[i].caption);
        }
    }
    // At start: nothing paused, the simulations at full speed, the ant at its watchable pace;
    // there is no run to step.
    EXPECT_FALSE(item(gui, "Pause")->isChecked());
    EXPECT_TRUE(item(gui, "Speed_full")->isChecked());
    EXPECT_TRUE(item(gui, "AntSpeed_3000")->isChecked());
    EXPECT_FALSE(item(gui, "Step")->isEnabled());
    EXPECT_FALSE(item(gui, "StepSweep")->isEnabled());

    // The keys reach the menu with the caret in a text box, and type nothing into it.
    gui.mainWindow().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&gui.mainWindow()));
    auto* temp = gui.widget<QLineEdit>(gui.main(), "Temp");
    temp->setFocus();
    QTest::keyClick(temp, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(gui.program.pace().paused());
    EXPECT_TRUE(item(gui, "Pause")->isChecked());
    QTest::keyClick(temp, Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_TRUE(item(gui, "Speed_10000000")->isChecked());
    EXPECT_EQ(temp->text(), "2.2619");
}

// Held at trial k the counter shows the k - 1 trials before it; each Step lets exactly one
// trial go, Step Sweep (N + 1)^2; edits reach the box in a pause, and Stop ends the run with the
// picture showing its lattice.
TEST(RunMenu, PauseHoldsTheRunAndStepLetsOneTrialOrOneSweepGo) {
    GuiProgram gui;
    const std::uint64_t before = gui.pump.calls();
    auto trialUnderWay = [&] { return gui.pump.calls() - before; };
    auto shownCount = [&] {
        return gui.widget<QLabel>(gui.main(), "Label1")->text().toULongLong();
    };
    std::uint64_t held = 0;
    std::vector<std::uint64_t> counts;
    // Step during a run pauses it.
    InTurn turns(gui, {[&] { item(gui, "Step")->trigger(); },
                       [&] {
                           held = trialUnderWay();
                           counts.push_back(shownCount());
                           item(gui, "Step")->trigger();
                       },
                       [&] {
                           counts.push_back(trialUnderWay() - held);
                           counts.push_back(shownCount());
                           QTest::keyClick(&gui.mainWindow(), Qt::Key_T,
                                           Qt::ControlModifier | Qt::ShiftModifier);
                       },
                       [&] {
                           counts.push_back(trialUnderWay() - held);
                           auto* temp = gui.widget<QLineEdit>(gui.main(), "Temp");
                           temp->selectAll();
                           QTest::keyClicks(temp, "20");
                           button(gui, gui.main(), "Command2")->click();
                       }});
    QTest::mouseClick(button(gui, gui.main(), "Command1"), Qt::LeftButton);
    ASSERT_TRUE(turns.done());
    EXPECT_FALSE(gui.main().state.Running);
    EXPECT_GT(held, 1u);
    EXPECT_EQ(counts, (std::vector<std::uint64_t>{held - 1, 1, held, 1 + 61 * 61}));
    EXPECT_EQ(gui.main().Temp.Text(), "20");
    EXPECT_EQ(gui.main().Label1.Caption(), std::to_string(trialUnderWay()));
    EXPECT_EQ(testing::squarePictureMismatch(gui.program), "");
    EXPECT_TRUE(gui.program.pace().paused());
}

// A Start in a pause sets up its own run and holds it at its first trial; one Stop ends both.
TEST(RunMenu, AStartInAPauseIsHeldAtItsFirstTrial) {
    GuiProgram gui;
    std::uint64_t nestedAt = 0;
    int depth = 0;
    std::vector<std::uint64_t> trials;
    InTurn turns(gui, {[&] { item(gui, "Pause")->trigger(); },
                       [&] {
                           nestedAt = gui.pump.calls();
                           button(gui, gui.main(), "Command1")->click();
                       },
                       [&] {
                           depth = gui.app.commands().activeRuns();
                           trials.push_back(gui.pump.calls() - nestedAt);
                           item(gui, "Step")->trigger();
                       },
                       [&] {
                           trials.push_back(gui.pump.calls() - nestedAt);
                           trials.push_back(std::stoull(gui.main().Label1.Caption()));
                           button(gui, gui.main(), "Command2")->click();
                       }});
    QTest::mouseClick(button(gui, gui.main(), "Command1"), Qt::LeftButton);
    ASSERT_TRUE(turns.done());
    EXPECT_EQ(depth, 2);
    EXPECT_EQ(trials, (std::vector<std::uint64_t>{1, 2, 1}));
    EXPECT_EQ(gui.app.commands().activeRuns(), 0);
    EXPECT_EQ(testing::squarePictureMismatch(gui.program), "");
}

// A Start while paused shows the new run's count at its hold, not what the last run left.
TEST(RunMenu, AStartWhilePausedShowsTheNewRunsCount) {
    GuiProgram gui;
    InTurn first(gui, {[&] { button(gui, gui.main(), "Command2")->click(); }});
    QTest::mouseClick(button(gui, gui.main(), "Command1"), Qt::LeftButton);
    ASSERT_NE(gui.main().Label1.Caption(), "0");
    item(gui, "Pause")->trigger();
    QString shown;
    InTurn held(gui, {[&] {
                    shown = gui.widget<QLabel>(gui.main(), "Label1")->text();
                    button(gui, gui.main(), "Command2")->click();
                }});
    QTest::mouseClick(button(gui, gui.main(), "Command1"), Qt::LeftButton);
    ASSERT_TRUE(held.done());
    EXPECT_EQ(shown, "0");
}

TEST(RunMenu, QuitInAPauseEndsTheProgram) {
    GuiProgram gui;
    InTurn turns(gui,
                 {[&] { item(gui, "Pause")->trigger(); },
                  [&] { QTest::keyClick(&gui.mainWindow(), Qt::Key_Q, Qt::ControlModifier); }});
    QTest::mouseClick(button(gui, gui.main(), "Command1"), Qt::LeftButton);
    ASSERT_TRUE(turns.done());
    EXPECT_TRUE(gui.program.ended());
    EXPECT_EQ(gui.app.commands().activeRuns(), 0);
    EXPECT_FALSE(gui.mainWindow().isVisible());
}

// The trial counts at which the pump sliced, from the first trial of the run on.
struct SliceLog {
    explicit SliceLog(GuiProgram& gui)
        : gui(gui), start(gui.pump.calls()), last(gui.pump.slices()) {
        gui.pump.everyCall([this] {
            if (this->gui.pump.slices() == last) return;
            last = this->gui.pump.slices();
            at.push_back(this->gui.pump.calls() - start);
            if (onSlice) onSlice();
        });
    }
    ~SliceLog() { gui.pump.everyCall({}); }
    GuiProgram& gui;
    std::uint64_t start;
    std::uint64_t last;
    std::vector<std::uint64_t> at;
    std::function<void()> onSlice;
};

// At 100,000 a second frame f ends after 1 + 100000 * (f + 1) / 60 trials (the first trial runs
// before the pump first paces), however long the machine takes over them, from the run's start.
TEST(RunPace, APacedRunLetsExactlyItsShareOfTrialsGoEachFrame) {
    GuiProgram gui;
    // A run at full speed first leaves the pump's next slice far ahead of the next Start.
    QTimer::singleShot(30, [&] { button(gui, gui.main(), "Command2")->click(); });
    QTest::mouseClick(button(gui, gui.main(), "Command1"), Qt::LeftButton);
    item(gui, "Speed_100000")->trigger();
    SliceLog log(gui);
    log.onSlice = [&] {
        if (log.at.size() == 12) button(gui, gui.main(), "Command2")->click();
    };
    QTest::mouseClick(button(gui, gui.main(), "Command1"), Qt::LeftButton);
    ASSERT_EQ(log.at.size(), 12u);
    for (std::uint64_t f = 0; f < log.at.size(); ++f)
        EXPECT_EQ(log.at[f], 1 + 100'000 * (f + 1) / 60) << "frame " << f;
}

// The walk goes 50 steps a frame by default, each frame showing the count so far; Full speed
// chosen during the walk takes it to the border at once.
TEST(RunPace, TheWalkIsWatchableByDefaultAndFullSpeedIsOneChoiceAway) {
    GuiProgram gui;
    AntForm& ant = gui.program.Form1();
    ant.window.Show();
    gui.backend.syncAll();
    SliceLog log(gui);
    std::vector<QString> labels;
    std::uint64_t slicesAtFull = 0;
    log.onSlice = [&] {
        labels.push_back(gui.widget<QLabel>(ant, "Label1")->text());
        if (log.at.size() == 10) {
            item(gui, "AntSpeed_full")->trigger();
            slicesAtFull = gui.pump.slices();
        }
    };
    QTest::mouseClick(button(gui, ant, "Command1"), Qt::LeftButton);
    const AntWalk& walk = gui.app.antCommands().lastWalk();
    EXPECT_TRUE(walk.reachedBorder);
    EXPECT_GT(walk.steps, 1000);
    EXPECT_LE(gui.pump.slices() - slicesAtFull, 1u);
    ASSERT_GE(log.at.size(), 10u);
    for (std::uint64_t f = 0; f < 10; ++f) {
        EXPECT_EQ(log.at[f], 1 + 50 * (f + 1)) << "frame " << f;
        EXPECT_EQ(labels[f].toULongLong(), log.at[f]) << "frame " << f;
    }
}

}  // namespace
}  // namespace spinlab
