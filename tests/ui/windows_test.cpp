// The four windows as the user first sees them, and the ways the program ends.

#include <gtest/gtest.h>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include "testkit/gui_program.h"
#include "ui/picturebox.h"

namespace spinlab {
namespace {

using testing::GuiProgram;

struct Place {
    const char* name;
    int left, top, width, height;  // pixels at 15 twips per pixel
};

TEST(MainWindow, OpensWithTheDesignCaptionSizeAndInitialValues) {
    GuiProgram gui;
    FormWindow& w = gui.mainWindow();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "Ising Model 2D Simulation");
    EXPECT_EQ(w.centralWidget()->size(), QSize(384, 239));  // 5760 x 3585 twips

    EXPECT_EQ(gui.widget<QLineEdit>(gui.main(), "GridSize")->text(), "60");
    EXPECT_EQ(gui.widget<QLineEdit>(gui.main(), "Temp")->text(), "2.2619");
    EXPECT_TRUE(gui.widget<QLineEdit>(gui.main(), "GridSize")->isEnabled());
    EXPECT_TRUE(gui.widget<QRadioButton>(gui.main(), "Metropolis")->isChecked());
    EXPECT_FALSE(gui.widget<QRadioButton>(gui.main(), "Glauber")->isChecked());
    EXPECT_EQ(gui.widget<QLabel>(gui.main(), "Label1")->text(), "");
    EXPECT_EQ(gui.widget<QLabel>(gui.main(), "Label2")->text(), "Lattice Size");
    EXPECT_EQ(gui.widget<QLabel>(gui.main(), "Label3")->text(), "Temp");
    EXPECT_EQ(gui.widget<QGroupBox>(gui.main(), "Frame1")->title(), "Algorithm");
    EXPECT_EQ(gui.widget<QPushButton>(gui.main(), "Command1")->text(), "Start");
    EXPECT_EQ(gui.widget<QPushButton>(gui.main(), "Command2")->text(), "Stop");

    const Place places[] = {
        {"Picture1", 8, 8, 225, 209},   {"GridSize", 312, 40, 49, 19},
        {"Temp", 312, 64, 49, 19},      {"Frame1", 256, 96, 105, 73},
        {"Command1", 248, 192, 65, 33}, {"Command2", 320, 192, 57, 33},
    };
    for (const Place& p : places) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(w.widget(p.name)->geometry(), QRect(p.left, p.top, p.width, p.height));
    }
    // The option buttons belong to the window and lie above the frame.
    EXPECT_EQ(w.widget("Metropolis")->parentWidget(), w.centralWidget());
}

TEST(MainWindow, TabOrderFollowsTheDesign) {
    GuiProgram gui;
    FormWindow& w = gui.mainWindow();
    const char* order[] = {"Picture1", "Command1",   "Temp",   "Command2",
                           "GridSize", "Metropolis", "Glauber"};
    // Walk the focus chain as Tab does, passing over what cannot take focus.
    auto nextTabStop = [](QWidget* from) {
        QWidget* next = from->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        SCOPED_TRACE(order[i]);
        EXPECT_EQ(nextTabStop(w.widget(order[i])), w.widget(order[i + 1]));
    }
}

TEST(MainWindow, FileMenuHasTheFourItemsWithIsingModelChecked) {
    GuiProgram gui;
    QMenuBar* bar = gui.mainWindow().menuBar();
    // File, then the one menu of additions, "Run".
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[0]->text(), "File");
    EXPECT_EQ(bar->actions()[1]->text(), "&Run");  // Alt+R
    const QList<QAction*> items = bar->actions()[0]->menu()->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), "Ising Model");
    EXPECT_EQ(items[1]->text(), "3D Simulation");
    EXPECT_EQ(items[2]->text(), "Polymer Chain");
    EXPECT_EQ(items[3]->text(), "Quit");
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_FALSE(items[1]->isChecked());
    EXPECT_FALSE(items[2]->isChecked());
    EXPECT_FALSE(items[3]->isChecked());
    EXPECT_EQ(items[3]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    for (QAction* a : items)
        EXPECT_TRUE(a->isEnabled());
}

TEST(MainWindow, PictureBoxHasBorderBackgroundAndPen) {
    GuiProgram gui;
    PictureBox* box = gui.mainWindow().picture("Picture1");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->contentsRect().size(), QSize(223, 207));
    EXPECT_EQ(gui.main().Picture1.width(), 223);
    EXPECT_EQ(gui.main().Picture1.height(), 207);
    EXPECT_EQ(gui.main().Picture1.DrawWidth(), 20);
    const QImage shown = box->grab().toImage();
    EXPECT_EQ(shown.pixelColor(100, 100), QApplication::palette().color(QPalette::Window));
}

TEST(OtherWindows, ComeIntoBeingHiddenOnFirstUse) {
    GuiProgram gui;
    EXPECT_FALSE(gui.program.hasN3DPicForm());
    EXPECT_FALSE(gui.program.hasPolymerWindow());
    EXPECT_FALSE(gui.program.hasForm1());

    View3DForm& view = gui.program.n3DPicForm();
    PolymerForm& polymer = gui.program.PolymerWindow();
    AntForm& ant = gui.program.Form1();
    gui.backend.syncAll();
    for (Form* f : std::initializer_list<Form*>{&view, &polymer, &ant}) {
        EXPECT_FALSE(gui.window(*f).isVisible()) << f->design().name;
    }
    EXPECT_EQ(gui.window(view).windowTitle(), "3D Simulation View");
    EXPECT_EQ(gui.window(polymer).windowTitle(), "1D Polymer Rotation Simulation");
    EXPECT_EQ(gui.window(ant).windowTitle(), "Form1");
    EXPECT_EQ(gui.window(view).centralWidget()->size(), QSize(673, 260));
    EXPECT_EQ(gui.window(polymer).centralWidget()->size(), QSize(557, 139));
    EXPECT_EQ(gui.window(ant).centralWidget()->size(), QSize(312, 213));
    // Fixed borders: the user cannot resize the two view windows.
    EXPECT_EQ(gui.window(view).minimumSize(), gui.window(view).maximumSize());
    EXPECT_EQ(gui.window(polymer).minimumSize(), gui.window(polymer).maximumSize());
}

TEST(OtherWindows, CaptionsAndInitialSettings) {
    GuiProgram gui;
    View3DForm& view = gui.program.n3DPicForm();
    EXPECT_EQ(gui.widget<QLabel>(view, "Label1")->text(), "Label1");
    EXPECT_EQ(gui.widget<QLabel>(view, "Label2")->text(), "XY Plane");
    EXPECT_EQ(gui.widget<QLabel>(view, "Label3")->text(), "YZ Plane");
    EXPECT_EQ(gui.widget<QLabel>(view, "Label4")->text(), "XZ Plane");
    for (Surface* s : {&view.PictureXY, &view.PictureYZ, &view.PictureXZ}) {
        EXPECT_EQ(s->DrawWidth(), 1) << s->name();
    }
    EXPECT_EQ(view.PictureYZ.width(), 215);  // 3255 twips less the border

    PolymerForm& polymer = gui.program.PolymerWindow();
    EXPECT_EQ(gui.widget<QLineEdit>(polymer, "Iterations")->text(), "10");
    EXPECT_EQ(gui.widget<QLabel>(polymer, "Label1")->text(), "Number of Chain Units");
    EXPECT_EQ(gui.widget<QLabel>(polymer, "Label3")->text(), "10");
    EXPECT_EQ(gui.widget<QLabel>(polymer, "Label4")->text(), "Rotational State");
    EXPECT_EQ(gui.widget<QLabel>(polymer, "Label5")->text(), "Polymer Axis");
    EXPECT_EQ(polymer.Picture1.DrawWidth(), 2);

    AntForm& ant = gui.program.Form1();
    auto* scroll = gui.widget<QScrollBar>(ant, "HScroll1");
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->parentWidget(), gui.window(ant).widget("Picture1"));
    EXPECT_EQ(scroll->minimum(), 0);
    EXPECT_EQ(scroll->maximum(), 200);
    EXPECT_EQ(scroll->value(), 0);
    // Inside the picture's one-pixel border, cut to its interior (135 x 143).
    EXPECT_EQ(scroll->geometry(), QRect(1, 129, 135, 15));
    EXPECT_EQ(gui.widget<QPushButton>(ant, "Command3")->text(), "End");
    EXPECT_EQ(gui.widget<QLabel>(ant, "Label1")->text(), "Label1");
    EXPECT_EQ(ant.Picture1.width(), 135);
    EXPECT_EQ(ant.Picture1.height(), 143);
}

TEST(OtherWindows, Form1sScrollBarTakesTheFocusInTabOrderAndTheScrollBarKeys) {
    GuiProgram gui;
    AntForm& ant = gui.program.Form1();
    ant.window.Show();
    gui.backend.syncAll();
    FormWindow& w = gui.window(ant);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const char* order[] = {"Command1", "Command2", "Command3", "Picture1", "HScroll1", "Command1"};
    w.widget(order[0])->setFocus();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), w.widget(order[i])) << "Tab after " << order[i - 1];
    }

    auto* bar = gui.widget<QScrollBar>(ant, "HScroll1");
    w.widget("Command1")->setFocus();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 4, bar->height() / 2));
    ASSERT_EQ(QApplication::focusWidget(), bar);
    ASSERT_EQ(ant.HScroll1.Value(), 1);  // the right arrow
    // Arrows step by SmallChange and Page keys by LargeChange (both 1); Home and End go to
    // Min and Max. Each key moves the value the program reads.
    const struct {
        Qt::Key key;
        int value;
    } keys[] = {{Qt::Key_End, 200},    {Qt::Key_Left, 199},    {Qt::Key_PageUp, 198},
                {Qt::Key_Up, 197},     {Qt::Key_Home, 0},      {Qt::Key_Right, 1},
                {Qt::Key_PageDown, 2}, {Qt::Key_Down, 3},      {Qt::Key_Left, 2},
                {Qt::Key_Home, 0},     {Qt::Key_PageUp, 0},    {Qt::Key_End, 200},
                {Qt::Key_Right, 200},  {Qt::Key_PageDown, 200}};
    for (const auto& k : keys) {
        QTest::keyClick(bar, k.key);
        EXPECT_EQ(ant.HScroll1.Value(), k.value) << QKeySequence(k.key).toString().toStdString();
    }
}

// Rows of `image` inside `area` holding a pixel darker than mid grey: their middle.
double inkMiddle(const QImage& image, const QRect& area) {
    int first = -1, last = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                if (first < 0) first = y;
                last = y;
                break;
            }
        }
    }
    return first < 0 ? -1000 : (first + last) / 2.0;
}

TEST(OtherWindows, PolymerStateMarksStandBesideTheRowsTheyName) {
    GuiProgram gui;
    PolymerForm& polymer = gui.program.PolymerWindow();
    Surface& plot = polymer.Picture1;
    plot.setScaleWidth(10);
    plot.setScaleHeight(10);
    gui.backend.syncAll();
    FormWindow& w = gui.window(polymer);
    const QRect picture = w.widget("Picture1")->geometry();
    for (const auto& [mark, state] : {std::pair{"Label6", 1}, std::pair{"Label7", 9}}) {
        SCOPED_TRACE(mark);
        plot.Cls();
        plot.PSet(5, state, QBColor(0));
        gui.backend.syncAll();
        const QImage shown = w.centralWidget()->grab().toImage();
        const double row = inkMiddle(shown, picture.adjusted(2, 2, -2, -2));
        const QLabel* label = gui.widget<QLabel>(polymer, mark);
        EXPECT_EQ(label->text(), QString::number(state));
        EXPECT_NEAR(inkMiddle(shown, label->geometry()), row, 1.0);
    }
}

TEST(AllWindows, CaptionsShareOneFaceAndCountersKeepTheirsUpToATrillion) {
    GuiProgram gui;
    for (Form* form :
         std::initializer_list<Form*>{&gui.main(), &gui.program.n3DPicForm(),
                                      &gui.program.PolymerWindow(), &gui.program.Form1()}) {
        SCOPED_TRACE(form->design().name);
        gui.backend.syncAll();
        FormWindow& w = gui.window(*form);
        const Label* counter = form->counter().label;
        std::vector<QWidget*> captions;
        for (const ControlDesign& d : form->design().controls) {
            if (d.kind == ControlKind::PictureBox || (counter && counter->name() == d.name))
                continue;
            QWidget* c = w.widget(std::string(d.name));
            EXPECT_EQ(c->font(), captions.empty() ? c->font() : captions.front()->font()) << d.name;
            if (d.kind == ControlKind::Label || d.kind == ControlKind::OptionButton) {
                EXPECT_LE(c->sizeHint().width(), c->width()) << d.name;
            }
            captions.push_back(c);
        }
        if (!counter) continue;
        auto* label = static_cast<QLabel*>(w.widget(counter->name()));
        auto* written = static_cast<Label*>(form->control(counter->name()));
        const QFont face = label->font();
        for (std::uint64_t count : {1ull, 12345678ull, 123456789ull, 1'000'000'000'000ull}) {
            if (form->counter().grouped) {
                written->setGroupedNumber(count);
            } else {
                written->setNumber(count);
            }
            w.sync();
            EXPECT_EQ(label->font(), face) << count;
            EXPECT_LE(label->sizeHint().width(), label->width()) << count;
            EXPECT_LE(label->geometry().right(), w.centralWidget()->width() - 1);
        }
    }
}

TEST(Ending, CtrlQQuitsAtOnce) {
    GuiProgram gui;
    gui.program.n3DPicForm().window.Show();
    gui.backend.syncAll();
    QTest::keyClick(&gui.mainWindow(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(gui.program.ended());
    EXPECT_FALSE(gui.mainWindow().isVisible());
    EXPECT_FALSE(gui.window(gui.program.n3DPicForm()).isVisible());
}

TEST(Ending, ClosingTheMainWindowEndsTheProgram) {
    GuiProgram gui;
    gui.mainWindow().close();
    EXPECT_TRUE(gui.program.ended());
}

TEST(Ending, ClosingAViewWindowOnlyHidesIt) {
    GuiProgram gui;
    View3DForm& view = gui.program.n3DPicForm();
    view.window.Show();
    gui.backend.syncAll();
    gui.window(view).close();
    EXPECT_FALSE(view.window.Visible());
    EXPECT_FALSE(gui.program.ended());
    EXPECT_TRUE(gui.mainWindow().isVisible());
}

}  // namespace
}  // namespace spinlab
