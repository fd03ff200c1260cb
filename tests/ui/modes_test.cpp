// The File menu that switches simulations, through real menu clicks, and the cubic lattice
// running in its view window.

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <set>

#include "testkit/gui_program.h"
#include "ui/picturebox.h"

namespace spinlab {
namespace {

using testing::GuiProgram;

enum class Mode { Square, Cubic, Polymer };

const char* itemFor(Mode mode) {
    switch (mode) {
        case Mode::Square:
            return "IsingModel";
        case Mode::Cubic:
            return "simulation3D";
        case Mode::Polymer:
            return "PolymerChain";
    }
    return "";
}

void choose(GuiProgram& gui, const char* item) {
    gui.mainWindow().menuAction(item)->trigger();
}

// What the user sees of the mode: the check marks, the two view windows and the size box.
void expectMode(GuiProgram& gui, Mode mode) {
    FormWindow& main = gui.mainWindow();
    EXPECT_EQ(main.menuAction("IsingModel")->isChecked(), mode == Mode::Square);
    EXPECT_EQ(main.menuAction("simulation3D")->isChecked(), mode == Mode::Cubic);
    EXPECT_EQ(main.menuAction("PolymerChain")->isChecked(), mode == Mode::Polymer);
    // A window never created counts as hidden; asking for it would create it.
    Program& p = gui.program;
    const bool view3D = p.hasN3DPicForm() && gui.window(p.n3DPicForm()).isVisible();
    const bool polymer = p.hasPolymerWindow() && gui.window(p.PolymerWindow()).isVisible();
    EXPECT_EQ(view3D, mode == Mode::Cubic);
    EXPECT_EQ(polymer, mode == Mode::Polymer);
    EXPECT_EQ(gui.widget<QLineEdit>(gui.main(), "GridSize")->isEnabled(), mode != Mode::Polymer);
}

struct Transition {
    Mode before;
    Mode chosen;  // the menu item chosen
    Mode after;
};

class MenuTransition : public ::testing::TestWithParam<Transition> {};

TEST_P(MenuTransition, LeavesTheWindowsAndSizeBoxAsTheModeWants) {
    const Transition t = GetParam();
    GuiProgram gui;
    if (t.before != Mode::Square) choose(gui, itemFor(t.before));
    expectMode(gui, t.before);
    choose(gui, itemFor(t.chosen));
    expectMode(gui, t.after);
}

// The view items toggle: choosing the checked one falls back to the square lattice.
INSTANTIATE_TEST_SUITE_P(EveryModeAndItem, MenuTransition,
                         ::testing::Values(Transition{Mode::Square, Mode::Square, Mode::Square},
                                           Transition{Mode::Square, Mode::Cubic, Mode::Cubic},
                                           Transition{Mode::Square, Mode::Polymer, Mode::Polymer},
                                           Transition{Mode::Cubic, Mode::Square, Mode::Square},
                                           Transition{Mode::Cubic, Mode::Cubic, Mode::Square},
                                           Transition{Mode::Cubic, Mode::Polymer, Mode::Polymer},
                                           Transition{Mode::Polymer, Mode::Square, Mode::Square},
                                           Transition{Mode::Polymer, Mode::Cubic, Mode::Cubic},
                                           Transition{Mode::Polymer, Mode::Polymer, Mode::Square}),
                         [](const ::testing::TestParamInfo<Transition>& info) {
                             return std::string(itemFor(info.param.before)) + "Then" +
                                    itemFor(info.param.chosen);
                         });

TEST(MenuTransition, IsingModelWhileCheckedTouchesNoWindow) {
    GuiProgram gui;
    choose(gui, "IsingModel");
    EXPECT_FALSE(gui.program.hasN3DPicForm());
    EXPECT_FALSE(gui.program.hasPolymerWindow());
    expectMode(gui, Mode::Square);
}

QPushButton* button(GuiProgram& gui, const char* name) {
    return gui.widget<QPushButton>(gui.main(), name);
}

// Clicks Start; `during` runs from a timer inside the run and must schedule a click of Stop.
void runWith(GuiProgram& gui, std::function<void()> during) {
    QTimer::singleShot(0, during);
    QTest::mouseClick(button(gui, "Command1"), Qt::LeftButton);
}

std::set<QRgb> coloursOf(PictureBox* box) {
    const QImage shown = box->shown();
    std::set<QRgb> colours;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            colours.insert(shown.pixel(x, y) & 0xFFFFFF);
    }
    return colours;
}

const char* const kPictures[] = {"PictureXY", "PictureYZ", "PictureXZ"};

TEST(CubicRun, PaintsThePlanesAndCountsInTheViewWindow) {
    GuiProgram gui;
    auto& box = *gui.widget<QLineEdit>(gui.main(), "GridSize");
    box.selectAll();
    QTest::keyClicks(&box, "40");
    // Far above the ordering temperature: at the default one a fast run orders the cube within
    // the run, and one spin colour is then rightly gone.
    gui.main().Temp.setText("200");
    choose(gui, "simulation3D");
    View3DForm& view = gui.program.n3DPicForm();
    QLabel* label = gui.widget<QLabel>(view, "Label1");
    long long early = 0;
    runWith(gui, [&] {
        QTimer::singleShot(100, [&] { early = label->text().toLongLong(); });
        QTimer::singleShot(250, [&] { button(gui, "Command2")->click(); });
    });
    QCoreApplication::processEvents();
    EXPECT_GT(early, 0);
    EXPECT_GT(label->text().toLongLong(), early);
    EXPECT_EQ(label->text().toStdString(), view.Label1.Caption());
    EXPECT_EQ(gui.widget<QLabel>(gui.main(), "Label1")->text(), "");
    // The two spin colours and the background between the dots.
    const std::set<QRgb> spins = {0x0000FF, 0xFFFFFF,
                                  QApplication::palette().color(QPalette::Window).rgb() & 0xFFFFFF};
    for (const char* name : kPictures) {
        PictureBox* picture = gui.window(view).picture(name);
        EXPECT_EQ(coloursOf(picture), spins) << name;
        EXPECT_TRUE(testing::showsRaster(picture)) << name;
    }
}

// Closing the view window hides it as the menu would, but leaves the menu alone; Start still
// draws into the hidden window, and showing it again brings back its pictures and counter.
TEST(CubicRun, StartDrawsIntoTheClosedViewWindow) {
    GuiProgram gui;
    choose(gui, "simulation3D");
    View3DForm& view = gui.program.n3DPicForm();
    FormWindow& window = gui.window(view);
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(gui.mainWindow().menuAction("simulation3D")->isChecked());
    EXPECT_FALSE(gui.mainWindow().menuAction("IsingModel")->isChecked());

    runWith(gui, [&] { QTimer::singleShot(150, [&] { button(gui, "Command2")->click(); }); });
    EXPECT_FALSE(window.isVisible());
    const std::string count = view.Label1.Caption();
    EXPECT_GT(std::stoull(count), 0u);

    choose(gui, "simulation3D");  // off, back to the square lattice
    choose(gui, "simulation3D");  // and on again
    QCoreApplication::processEvents();
    expectMode(gui, Mode::Cubic);
    EXPECT_EQ(gui.widget<QLabel>(view, "Label1")->text().toStdString(), count);
    // The two spin colours and the background between the dots.
    const std::set<QRgb> spins = {0x0000FF, 0xFFFFFF,
                                  QApplication::palette().color(QPalette::Window).rgb() & 0xFFFFFF};
    for (const char* name : kPictures) {
        EXPECT_EQ(coloursOf(window.picture(name)), spins) << name;
        EXPECT_TRUE(testing::showsRaster(window.picture(name))) << name;
    }
}

}  // namespace
}  // namespace spinlab
