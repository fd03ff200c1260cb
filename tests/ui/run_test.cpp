// Start and Stop through the real widgets: the run is live, repaints, counts, takes edits, ends
// promptly, and fails gracefully.

#include <gtest/gtest.h>
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

QPushButton* button(GuiProgram& gui, const char* name) {
    return gui.widget<QPushButton>(gui.main(), name);
}

// Clicks Start; `during` runs from a timer inside the run, which must end by itself or by a
// click of Stop that `during` schedules.
void runWith(GuiProgram& gui, std::function<void()> during) {
    QTimer::singleShot(0, during);
    QTest::mouseClick(button(gui, "Command1"), Qt::LeftButton);
}

TEST(GuiRun, StartRunsLiveUntilStop) {
    GuiProgram gui;
    QLabel* label = gui.widget<QLabel>(gui.main(), "Label1");
    std::vector<long long> seen;
    runWith(gui, [&] {
        for (int ms : {100, 200, 300}) {
            QTimer::singleShot(ms, [&] { seen.push_back(label->text().toLongLong()); });
        }
        QTimer::singleShot(400,
                           [&] { QTest::mouseClick(button(gui, "Command2"), Qt::LeftButton); });
    });
    EXPECT_FALSE(gui.main().state.Running);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_GT(seen[0], 0);
    EXPECT_LT(seen[0], seen[1]);
    EXPECT_LT(seen[1], seen[2]);
    // After Stop the label shows the run's final count.
    EXPECT_EQ(label->text().toStdString(), gui.main().Label1.Caption());
    EXPECT_GT(label->text().toLongLong(), seen[2]);
}

// The sampling hook runs at exact trial counts on the time-sliced pump too, the Stop click
// arriving through the real event queue in between.
TEST(GuiRun, TheSamplingHookRunsAtExactTrialCounts) {
    GuiProgram gui;
    std::vector<std::uint64_t> hooked;
    gui.pump.everyCall([&] { hooked.push_back(gui.pump.calls()); }, 1000);
    const std::uint64_t before = gui.pump.calls();
    runWith(gui, [&] { QTimer::singleShot(100, [&] { button(gui, "Command2")->click(); }); });
    gui.pump.everyCall({});
    ASSERT_GT(hooked.size(), 10u);
    for (std::size_t i = 0; i < hooked.size(); ++i)
        ASSERT_EQ(hooked[i], before + 1000 * (i + 1));
}

TEST(GuiRun, PictureShowsTheLatticeInTheTwoSpinColours) {
    GuiProgram gui;
    // Far above the ordering temperature: at the default one, a fast machine orders the whole
    // lattice within the run, and one colour is then rightly gone.
    gui.main().Temp.setText("20");
    runWith(gui, [&] { QTimer::singleShot(150, [&] { button(gui, "Command2")->click(); }); });
    QCoreApplication::processEvents();
    PictureBox* box = gui.mainWindow().picture("Picture1");
    const QImage shown = box->shown();
    std::set<QRgb> colours;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            colours.insert(shown.pixel(x, y) & 0xFFFFFF);
    }
    // Dots of both spins, and the background between the dots; nothing else.
    const QRgb background = QApplication::palette().color(QPalette::Window).rgb() & 0xFFFFFF;
    const std::set<QRgb> expected = {0x0000FF, 0xFFFFFF, background};
    EXPECT_EQ(colours, expected);
}

TEST(GuiRun, EditsDuringARunReachTheLoop) {
    GuiProgram gui;
    auto* temp = gui.widget<QLineEdit>(gui.main(), "Temp");
    double seenTemperature = 0;
    runWith(gui, [&] {
        QTimer::singleShot(50, [&] {
            temp->selectAll();
            QTest::keyClicks(temp, "4.5");
        });
        QTimer::singleShot(150, [&] {
            seenTemperature = gui.main().rule.temperature();
            button(gui, "Command2")->click();
        });
    });
    EXPECT_EQ(gui.main().Temp.Text(), "4.5");
    EXPECT_DOUBLE_EQ(seenTemperature, 4.5);
}

TEST(GuiRun, AnErrorIsShownAndTheProgramGoesOn) {
    GuiProgram gui;
    auto* size = gui.widget<QLineEdit>(gui.main(), "GridSize");
    size->selectAll();
    QTest::keyClicks(size, "abc");
    QTest::mouseClick(button(gui, "Command1"), Qt::LeftButton);
    EXPECT_EQ(gui.backend.errorCount(), 1);
    EXPECT_EQ(gui.backend.lastError(), "Lattice Size \"abc\" is not a number.");
    ASSERT_NE(gui.backend.messageBox(), nullptr);
    EXPECT_TRUE(gui.backend.messageBox()->isVisible());
    EXPECT_TRUE(gui.mainWindow().isVisible());
    // Mending the input lets the next Start run.
    size->selectAll();
    QTest::keyClicks(size, "20");
    runWith(gui, [&] { QTimer::singleShot(50, [&] { button(gui, "Command2")->click(); }); });
    EXPECT_EQ(gui.backend.errorCount(), 1);
    EXPECT_GT(std::stoll(gui.main().Label1.Caption()), 0);
}

TEST(GuiRun, NestedStartAndOneStopEndEveryRun) {
    GuiProgram gui;
    int deepest = 0;
    runWith(gui, [&] {
        QTimer::singleShot(50, [&] { button(gui, "Command1")->click(); });
        QTimer::singleShot(100, [&] {
            deepest = gui.app.commands().activeRuns();
            button(gui, "Command2")->click();
        });
    });
    EXPECT_EQ(deepest, 2);
    EXPECT_EQ(gui.app.commands().activeRuns(), 0);
    EXPECT_FALSE(gui.main().state.Running);
}

TEST(GuiRun, QuitDuringNestedRunsEndsTheProgram) {
    GuiProgram gui;
    runWith(gui, [&] {
        QTimer::singleShot(50, [&] { button(gui, "Command1")->click(); });
        QTimer::singleShot(
            100, [&] { QTest::keyClick(&gui.mainWindow(), Qt::Key_Q, Qt::ControlModifier); });
    });
    EXPECT_TRUE(gui.program.ended());
    EXPECT_EQ(gui.app.commands().activeRuns(), 0);
    EXPECT_FALSE(gui.mainWindow().isVisible());
}

}  // namespace
}  // namespace spinlab
