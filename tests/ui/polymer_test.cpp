// The polymer window through the real widgets: chosen from the File menu, run live from Start,
// its length box locked during the run and mirrored into the axis label between runs.

#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "testkit/gui_program.h"
#include "ui/picturebox.h"

namespace spinlab {
namespace {

using testing::GuiProgram;

TEST(GuiPolymer, RunsLiveWithTheLengthLockedAndMirrorsEditsBetweenRuns) {
    GuiProgram gui;
    gui.mainWindow().menuAction("PolymerChain")->trigger();
    PolymerForm& polymer = gui.program.PolymerWindow();
    FormWindow& window = gui.window(polymer);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(gui.widget<QLineEdit>(gui.main(), "GridSize")->isEnabled());

    auto* iterations = gui.widget<QLineEdit>(polymer, "Iterations");
    auto* label3 = gui.widget<QLabel>(polymer, "Label3");
    auto* counter = gui.widget<QLabel>(gui.main(), "Label1");
    bool readOnlyDuringRun = false;
    QColor lockedBase, lockedText;
    long long countDuringRun = 0;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(100, [&] {
            readOnlyDuringRun = iterations->isReadOnly();
            lockedBase = iterations->palette().color(QPalette::Base);
            lockedText = iterations->palette().color(QPalette::Text);
            QTest::keyClicks(iterations, "7");  // refused while the run lasts
            countDuringRun = counter->text().toLongLong();
        });
        QTimer::singleShot(200, [&] { gui.widget<QPushButton>(gui.main(), "Command2")->click(); });
    });
    QTest::mouseClick(gui.widget<QPushButton>(gui.main(), "Command1"), Qt::LeftButton);

    EXPECT_TRUE(readOnlyDuringRun);
    EXPECT_GT(countDuringRun, 0);
    EXPECT_EQ(polymer.Iterations.Text(), "10");
    EXPECT_FALSE(iterations->isReadOnly());
    // Locked, the box shows its text on the window's face, as read-only text; editable again,
    // on the usual base. The text keeps its colour.
    const QPalette unlocked = iterations->palette();
    EXPECT_EQ(lockedBase, unlocked.color(QPalette::Window));
    EXPECT_NE(unlocked.color(QPalette::Base), unlocked.color(QPalette::Window));
    EXPECT_EQ(lockedText, unlocked.color(QPalette::Text));
    // Accepted moves have painted old dots black on the picture.
    PictureBox* box = window.picture("Picture1");
    const QImage shown = box->shown();
    bool black = false;
    for (int y = 0; y < shown.height() && !black; ++y) {
        for (int x = 0; x < shown.width() && !black; ++x)
            black = (shown.pixel(x, y) & 0xFFFFFF) == 0;
    }
    EXPECT_TRUE(black);

    iterations->selectAll();
    QTest::keyClicks(iterations, "250");
    EXPECT_EQ(label3->text(), "250");
}

}  // namespace
}  // namespace spinlab
