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

// True when the widget shows exactly its surface's raster.
bool showsRaster(PictureBox* box) {
    const Surface& s = box->surface();
    const QImage raster(reinterpret_cast<const uchar*>(s.bits()), s.width(), s.height(),
                        static_cast<qsizetype>(s.stride() * 4), QImage::Format_RGB32);
    const QImage shown = box->grab().toImage().copy(box->contentsRect());
    return shown.convertToFormat(QImage::Format_RGB32) == raster;
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
        EXPECT_TRUE(showsRaster(box)) << box->objectName().toStdString();
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
    int presses = 0, deepest = 0, stops = 0;
    QObject pending;  // takes with it the presses still queued when the test ends
    std::function<void()> press = [&] {
        while (presses < 1000) {
            ++presses;
            // The next press comes from inside the run this one may start.
            QTimer::singleShot(0, &pending, press);
            QTest::mouseClick(start, Qt::LeftButton);
            deepest = std::max(deepest, commands.activeRuns());
        }
        if (stops == 0) {
            ++stops;
            QTest::mouseClick(stop, Qt::LeftButton);
        }
    };
    press();
    EXPECT_EQ(presses, 1000);
    EXPECT_EQ(deepest, 16);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(commands.activeRuns(), 0);
    EXPECT_FALSE(gui.main().state.Running);
    EXPECT_GT(gui.main().Label1.Caption().size(), 0u);
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

}  // namespace
}  // namespace spinlab
