// Form1 through its real widgets: the scroll bar sets the obstacles, Start walks and shows the
// walk and its count, Stop brings up the main window and End closes everything.

#include <gtest/gtest.h>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "testkit/gui_program.h"
#include "ui/picturebox.h"

namespace spinlab {
namespace {

using testing::GuiProgram;

int blackPixels(const QImage& image, int rows) {
    int count = 0;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == 0;
    }
    return count;
}

TEST(GuiAntWalk, StartWalksToTheBorderAndShowsTheWalkAndItsCount) {
    GuiProgram gui;
    AntForm& form = gui.program.Form1();
    form.window.Show();
    gui.backend.syncAll();
    gui.widget<QScrollBar>(form, "HScroll1")->setValue(30);
    EXPECT_EQ(form.HScroll1.Value(), 30);

    QTest::mouseClick(gui.widget<QPushButton>(form, "Command1"), Qt::LeftButton);
    QCoreApplication::processEvents();
    const AntWalk& walk = gui.app.antCommands().lastWalk();
    EXPECT_TRUE(walk.reachedBorder);
    EXPECT_FALSE(form.Running);
    ASSERT_GT(walk.steps, 1000);
    const QString label = gui.widget<QLabel>(form, "Label1")->text();
    EXPECT_EQ(label.toStdString(), form.Label1.Caption());
    EXPECT_EQ(QString(label).remove(',').toInt(), walk.steps);
    EXPECT_EQ(label.at(label.size() - 4), ',');

    // The picture shows the raster above the scroll bar, which covers its lower rows.
    PictureBox* box = gui.window(form).picture("Picture1");
    const QImage shown = box->shown();
    const QImage image = box->raster();
    const int uncovered =
        gui.widget<QScrollBar>(form, "HScroll1")->geometry().top() - box->contentsRect().top();
    EXPECT_GT(blackPixels(image, uncovered), 100);
    EXPECT_EQ(blackPixels(shown, uncovered), blackPixels(image, uncovered));
}

TEST(GuiAntWalk, StopBringsUpTheMainWindowAndEndClosesEveryWindow) {
    GuiProgram gui;
    AntForm& form = gui.program.Form1();
    form.window.Show();
    gui.main().window.Hide();
    gui.backend.syncAll();
    ASSERT_FALSE(gui.mainWindow().isVisible());

    QTest::mouseClick(gui.widget<QPushButton>(form, "Command2"), Qt::LeftButton);
    EXPECT_TRUE(gui.mainWindow().isVisible());
    EXPECT_TRUE(gui.window(form).isVisible());

    // With the main window already shown, Stop brings it to the front.
    gui.window(form).activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&gui.window(form)));
    QTest::mouseClick(gui.widget<QPushButton>(form, "Command2"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&gui.mainWindow()));

    QTest::mouseClick(gui.widget<QPushButton>(form, "Command3"), Qt::LeftButton);
    EXPECT_TRUE(gui.program.ended());
    EXPECT_FALSE(gui.mainWindow().isVisible());
    EXPECT_FALSE(gui.window(form).isVisible());
}

}  // namespace
}  // namespace spinlab
