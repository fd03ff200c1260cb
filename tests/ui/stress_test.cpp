// The real windows under stress: a thousand Starts during a run, random clicks, edits and menu
// choices during runs of every simulation, windows closed by their title bars, and Quit during
// nested runs. Each is seeded and bounded; none may crash, hang, or leave a picture that
// disagrees with its simulation.

#include <gtest/gtest.h>
#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <ostream>
#include <random>

#include "testkit/gui_program.h"
#include "testkit/pictures.h"
#include "ui/picturebox.h"

namespace spinlab {
namespace {

using testing::GuiProgram;

enum class Sim { Square, Cubic, Chain, Ant };

QPushButton* button(GuiProgram& gui, Form& form, const char* name) {
    return gui.widget<QPushButton>(form, name);
}

// Selects the simulation's mode in the File menu (the ant walk needs no mode).
void choose(GuiProgram& gui, Sim sim) {
    MainForm& form = gui.main();
    FormWindow& window = gui.mainWindow();
    if (sim == Sim::Square && !form.IsingModelItem.Checked()) {
        window.menuAction("IsingModel")->trigger();
    }
    if (sim == Sim::Cubic && !form.simulation3D.Checked()) {
        window.menuAction("simulation3D")->trigger();
    }
    if (sim == Sim::Chain && !form.PolymerChain.Checked()) {
        window.menuAction("PolymerChain")->trigger();
    }
}

// The Start button that begins a run of the simulation.
QPushButton* startOf(GuiProgram& gui, Sim sim) {
    if (sim == Sim::Ant) return button(gui, gui.program.Form1(), "Command1");
    return button(gui, gui.main(), "Command1");
}

void type(QLineEdit* edit, const char* text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// As the close box of the title bar does: the platform sends the window a close event.
void closeByTitleBar(QWidget& window) {
    QCloseEvent event;
    QCoreApplication::sendEvent(window.windowHandle(), &event);
}

// Every picture shows its simulation, in the raster and on screen.
void expectPicturesMatch(GuiProgram& gui) {
    EXPECT_EQ(testing::squarePictureMismatch(gui.program), "");
    EXPECT_EQ(testing::cubicViewsMismatch(gui.program), "");
    EXPECT_EQ(testing::chainPictureMismatch(gui.program), "");
    gui.backend.syncAll();
    QCoreApplication::processEvents();
    View3DForm& view = gui.program.n3DPicForm();
    for (PictureBox* box :
         {gui.mainWindow().picture("Picture1"), gui.window(view).picture("PictureXY"),
          gui.window(view).picture("PictureYZ"), gui.window(view).picture("PictureXZ"),
          gui.window(gui.program.PolymerWindow()).picture("Picture1")}) {
        EXPECT_TRUE(testing::showsRaster(box)) << box->objectName().toStdString();
    }
}

// Runs each simulation briefly, so every picture has a set-up its state can be checked against.
void runEachOnce(GuiProgram& gui) {
    for (Sim sim : {Sim::Cubic, Sim::Chain, Sim::Square}) {
        choose(gui, sim);
        QTimer::singleShot(30, [&] { button(gui, gui.main(), "Command2")->click(); });
        QTest::mouseClick(startOf(gui, sim), Qt::LeftButton);
    }
}

TEST(Stress, AThousandStartsDuringARunNestSixteenDeepAndOneStopEndsThemAll) {
    GuiProgram gui;
    runEachOnce(gui);
    QPushButton* start = button(gui, gui.main(), "Command1");
    QPushButton* stop = button(gui, gui.main(), "Command2");
    const Commands& commands = gui.app.commands();
    int presses = 0, deepest = 0;
    bool stopped = false;
    QObject pending;  // takes with it the presses still queued when the test ends
    std::function<void()> press = [&] {
        while (presses < 1000) {
            ++presses;
            // The next press comes from inside the run this one may start.
            QTimer::singleShot(0, &pending, press);
            QTest::mouseClick(start, Qt::LeftButton);
            deepest = std::max(deepest, commands.activeRuns());
        }
        if (!stopped) {
            stopped = true;
            QTest::mouseClick(stop, Qt::LeftButton);
        }
    };
    press();  // returns once the one Stop has ended the outermost run
    EXPECT_EQ(deepest, 16);
    EXPECT_EQ(commands.activeRuns(), 0);
    EXPECT_FALSE(gui.main().state.Running);
    expectPicturesMatch(gui);
}

struct ChaosRow {
    const char* name;
    Sim first;  // the run the events begin in
    unsigned seed;
};

void PrintTo(const ChaosRow& row, std::ostream* out) {
    *out << row.name;
}

class Chaos : public ::testing::TestWithParam<ChaosRow> {};

TEST_P(Chaos, RandomEventsDuringRunsLeaveEveryPictureShowingItsSimulation) {
    const ChaosRow row = GetParam();
    GuiProgram gui;
    MainForm& main = gui.main();
    FormWindow& mainWindow = gui.mainWindow();
    AntForm& ant = gui.program.Form1();
    ant.window.Show();
    PolymerForm& polymer = gui.program.PolymerWindow();
    View3DForm& view = gui.program.n3DPicForm();
    gui.backend.syncAll();
    QPushButton* start = button(gui, main, "Command1");
    QPushButton* stop = button(gui, main, "Command2");
    QPushButton* antStart = button(gui, ant, "Command1");
    QPushButton* antStop = button(gui, ant, "Command2");
    auto* gridSize = gui.widget<QLineEdit>(main, "GridSize");
    auto* temp = gui.widget<QLineEdit>(main, "Temp");
    auto* iterations = gui.widget<QLineEdit>(polymer, "Iterations");
    auto* obstacles = gui.widget<QScrollBar>(ant, "HScroll1");
    QRadioButton* const dynamics[] = {gui.widget<QRadioButton>(main, "Metropolis"),
                                      gui.widget<QRadioButton>(main, "Glauber")};
    QWidget* const views[] = {&gui.window(view), &gui.window(polymer)};
    type(gridSize, "20");
    runEachOnce(gui);

    // Good and bad texts alike; the sizes that run stay small enough for one pixel per site.
    const char* const sizes[] = {"0", "7", "20", "45", "60", "150", "2000", "-3", "abc", ""};
    const char* const temps[] = {"2.2619", "-1", "0", "5", "abc", "1e400"};
    const char* const units[] = {"10", "0", "60", "abc", "20000", "-3"};
    const char* const items[] = {"IsingModel", "simulation3D", "PolymerChain"};
    std::mt19937 rng(row.seed);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    auto act = [&] {
        switch (pick(13)) {
            case 0:
            case 1:
                QTest::mouseClick(start, Qt::LeftButton);
                break;
            case 2:
                QTest::mouseClick(stop, Qt::LeftButton);
                break;
            case 3:
            case 4:
                mainWindow.menuAction(items[pick(3)])->trigger();
                break;
            case 5:
                type(gridSize, sizes[pick(std::size(sizes))]);
                break;
            case 6:
                type(temp, temps[pick(std::size(temps))]);
                break;
            case 7:
                // Refused while a chain run has the box locked.
                if (iterations->isVisible()) type(iterations, units[pick(std::size(units))]);
                break;
            case 8:
                QTest::mouseClick(dynamics[pick(2)], Qt::LeftButton);
                break;
            case 9:
                QTest::mouseClick(antStart, Qt::LeftButton);
                break;
            case 10:
                QTest::mouseClick(antStop, Qt::LeftButton);
                break;
            case 11:
                obstacles->setValue(pick(3) * 100);
                break;
            case 12:
                if (QWidget* w = views[pick(2)]; w->isVisible()) closeByTitleBar(*w);
                break;
        }
    };

    constexpr int kEvents = 300;
    int events = 0;
    bool finished = false;
    QObject pending;
    // A few events per turn of the event loop. Each turn first queues the next, so the events
    // go on inside any run that one of them starts.
    std::function<void()> turn = [&] {
        if (events == kEvents) {
            // The turn after the last event ends whatever runs are left.
            if (!finished) {
                finished = true;
                QTest::mouseClick(stop, Qt::LeftButton);
                QTest::mouseClick(antStop, Qt::LeftButton);
            }
            return;
        }
        QTimer::singleShot(0, &pending, turn);
        for (int i = 0; i < 3 && events < kEvents; ++i) {
            ++events;
            act();
        }
    };
    QTimer::singleShot(0, &pending, turn);
    choose(gui, row.first);
    QTest::mouseClick(startOf(gui, row.first), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 120000));

    EXPECT_EQ(gui.app.commands().activeRuns(), 0);
    EXPECT_EQ(gui.app.antCommands().activeWalks(), 0);
    EXPECT_FALSE(main.state.Running);
    EXPECT_FALSE(ant.Running);
    EXPECT_FALSE(iterations->isReadOnly());
    expectPicturesMatch(gui);
}

INSTANTIATE_TEST_SUITE_P(
    EverySimulation, Chaos,
    ::testing::Values(ChaosRow{"Square", Sim::Square, 11}, ChaosRow{"Cubic", Sim::Cubic, 12},
                      ChaosRow{"Chain", Sim::Chain, 13}, ChaosRow{"Ant", Sim::Ant, 14}),
    [](const ::testing::TestParamInfo<ChaosRow>& info) { return std::string(info.param.name); });

// The window each simulation draws into.
FormWindow& windowOf(GuiProgram& gui, Sim sim) {
    switch (sim) {
        case Sim::Square:
            break;
        case Sim::Cubic:
            return gui.window(gui.program.n3DPicForm());
        case Sim::Chain:
            return gui.window(gui.program.PolymerWindow());
        case Sim::Ant:
            return gui.window(gui.program.Form1());
    }
    return gui.mainWindow();
}

// Brings the simulation's window up as a user would: its menu item, or Form1 shown.
void bringUp(GuiProgram& gui, Sim sim) {
    if (sim == Sim::Ant) {
        gui.program.Form1().window.Show();
        gui.backend.syncAll();
    } else {
        choose(gui, sim);
    }
}

// The count the simulation shows: trials, passes or the ant's steps.
long long countOf(GuiProgram& gui, Sim sim) {
    if (sim == Sim::Cubic) return std::stoll("0" + gui.program.n3DPicForm().Label1.Caption());
    if (sim == Sim::Ant) {
        QString steps = QString::fromStdString(gui.program.Form1().Label1.Caption());
        return steps.remove(',').toLongLong();
    }
    return std::stoll("0" + gui.main().Label1.Caption());
}

bool anyWindowVisible(GuiProgram& gui) {
    bool visible = false;
    gui.program.forEachForm([&](Form& form) { visible = visible || gui.window(form).isVisible(); });
    return visible;
}

// An ant walk often reaches the border within one time slice of the pump, before any event is
// handled. Waiting out a slice before Start makes a fresh pump's first call handle the events
// due.
void waitForTheNextSlice() {
    QTest::qSleep(static_cast<int>(QtPump::kSliceNs / 1'000'000) + 5);
}

struct CloseRow {
    const char* name;
    Sim sim;
    bool duringRun;
};

void PrintTo(const CloseRow& row, std::ostream* out) {
    *out << row.name;
}

class CloseBox : public ::testing::TestWithParam<CloseRow> {};

// Closing the main window ends the program; closing another only hides it, and a run drawing
// into it goes on until it is stopped (or, for the ant, until it reaches the border).
TEST_P(CloseBox, EndsTheProgramForTheMainWindowAndHidesAnyOther) {
    const CloseRow row = GetParam();
    GuiProgram gui;
    // The walk needs a pump that has not yet learned the pace of a lattice run, or the walk
    // ends before its first slice; its picture is no simulation's.
    const bool walk = row.sim == Sim::Ant;
    if (!walk) runEachOnce(gui);
    bringUp(gui, row.sim);
    FormWindow& window = windowOf(gui, row.sim);
    ASSERT_TRUE(window.isVisible());
    const bool main = row.sim == Sim::Square;
    const bool checked[] = {gui.main().IsingModelItem.Checked(), gui.main().simulation3D.Checked(),
                            gui.main().PolymerChain.Checked()};

    long long atClose = -1;
    if (row.duringRun) {
        QTimer::singleShot(0, [&] {
            atClose = countOf(gui, row.sim);
            closeByTitleBar(window);
        });
        // The ant walks on to the border by itself; a user stops the others in the main window.
        if (row.sim != Sim::Ant) {
            QTimer::singleShot(100, [&] { button(gui, gui.main(), "Command2")->click(); });
        }
        waitForTheNextSlice();
        QTest::mouseClick(startOf(gui, row.sim), Qt::LeftButton);
    } else {
        closeByTitleBar(window);
    }

    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(gui.app.commands().activeRuns(), 0);
    EXPECT_EQ(gui.app.antCommands().activeWalks(), 0);
    EXPECT_FALSE(gui.main().state.Running);
    EXPECT_EQ(gui.program.ended(), main);
    if (main) {
        EXPECT_FALSE(anyWindowVisible(gui));
        return;
    }
    EXPECT_TRUE(gui.mainWindow().isVisible());
    EXPECT_EQ(gui.main().IsingModelItem.Checked(), checked[0]);
    EXPECT_EQ(gui.main().simulation3D.Checked(), checked[1]);
    EXPECT_EQ(gui.main().PolymerChain.Checked(), checked[2]);
    if (row.duringRun) {
        EXPECT_GE(atClose, 0);
        EXPECT_GT(countOf(gui, row.sim), atClose);
    }
    if (!walk) {
        EXPECT_FALSE(gui.program.PolymerWindow().Iterations.Locked());
        expectPicturesMatch(gui);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, CloseBox,
                         ::testing::Values(CloseRow{"MainAtRest", Sim::Square, false},
                                           CloseRow{"MainDuringARun", Sim::Square, true},
                                           CloseRow{"CubicViewAtRest", Sim::Cubic, false},
                                           CloseRow{"CubicViewDuringARun", Sim::Cubic, true},
                                           CloseRow{"PolymerAtRest", Sim::Chain, false},
                                           CloseRow{"PolymerDuringARun", Sim::Chain, true},
                                           CloseRow{"Form1AtRest", Sim::Ant, false},
                                           CloseRow{"Form1DuringAWalk", Sim::Ant, true}),
                         [](const ::testing::TestParamInfo<CloseRow>& info) {
                             return std::string(info.param.name);
                         });

void PrintTo(Sim sim, std::ostream* out) {
    *out << static_cast<int>(sim);
}

class QuitNested : public ::testing::TestWithParam<Sim> {};

// Ctrl+Q inside a run nested in another of the same simulation ends both and the program.
TEST_P(QuitNested, EndsEveryRunAndTheProgram) {
    const Sim sim = GetParam();
    GuiProgram gui;
    bringUp(gui, sim);
    QPushButton* start = startOf(gui, sim);
    int deepest = 0;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            deepest = gui.app.commands().activeRuns() + gui.app.antCommands().activeWalks();
            QTest::keyClick(&gui.mainWindow(), Qt::Key_Q, Qt::ControlModifier);
        });
        waitForTheNextSlice();
        QTest::mouseClick(start, Qt::LeftButton);
    });
    waitForTheNextSlice();
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_EQ(deepest, 2);
    EXPECT_TRUE(gui.program.ended());
    EXPECT_EQ(gui.app.commands().activeRuns(), 0);
    EXPECT_EQ(gui.app.antCommands().activeWalks(), 0);
    EXPECT_FALSE(gui.main().state.Running);
    EXPECT_FALSE(gui.program.Form1().Running);
    EXPECT_FALSE(gui.program.PolymerWindow().Iterations.Locked());
    EXPECT_FALSE(anyWindowVisible(gui));
}

// The square lattice's case is GuiRun.QuitDuringNestedRunsEndsTheProgram.
INSTANTIATE_TEST_SUITE_P(EverySimulation, QuitNested,
                         ::testing::Values(Sim::Cubic, Sim::Chain, Sim::Ant),
                         [](const ::testing::TestParamInfo<Sim>& info) {
                             return info.param == Sim::Cubic   ? std::string("Cubic")
                                    : info.param == Sim::Chain ? std::string("Chain")
                                                               : std::string("Ant");
                         });

}  // namespace
}  // namespace spinlab
