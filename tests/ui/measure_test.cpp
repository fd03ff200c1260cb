// The Run menu's measurement tools in the real windows: the menu and its shortcuts, a seeded run
// saved from the Measurements window against spinlab-batch, a failed save during a run, and the
// large view against the lattice.

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QValueAxis>

#include <fstream>
#include <sstream>

#include "batch/options.h"
#include "batch/runners.h"
#include "measure/recorder.h"
#include "testkit/gui_program.h"
#include "ui/largeview.h"
#include "ui/measuretools.h"
#include "ui/measurewindow.h"
#include "ui/modelmenu.h"

namespace spinlab {
namespace {

using testing::GuiProgram;

void runFor(GuiProgram& gui, int ms, std::function<void()> during = {}) {
    QTimer::singleShot(0, [&gui, ms, during] {
        if (during) during();
        QTimer::singleShot(ms, [&gui] { gui.main().Command2.click(); });
    });
    gui.widget<QPushButton>(gui.main(), "Command1")->click();
}

// Runs until `enough` holds (checked every few milliseconds), so a slow machine or a sanitizer
// build gets the same run, only later; gives up after ten seconds.
void runUntil(GuiProgram& gui, std::function<bool()> enough) {
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (enough() || clock.elapsed() > 10000) {
            poll.stop();
            gui.main().Command2.click();
        }
    });
    poll.start(5);
    gui.widget<QPushButton>(gui.main(), "Command1")->click();
}

// Answers the save dialog the tools have open with `path`, as its Save button does (the
// dialog's own checks of the typed path are Qt's).
void answerDialog(MeasureTools& tools, const QString& path) {
    auto* dialog = qobject_cast<QFileDialog*>(tools.saver().dialog());
    ASSERT_NE(dialog, nullptr);
    emit dialog->fileSelected(path);
    dialog->close();
}

std::string slurp(const QString& path) {
    std::ifstream in(path.toStdString());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A saved CSV without its "#" record lines.
std::string withoutRecord(const std::string& text) {
    std::istringstream in(text);
    std::string out;
    for (std::string line; std::getline(in, line);)
        if (!line.starts_with('#')) out += line + "\n";
    return out;
}

TEST(RunMenu, FollowsFileWithTheFourItemsAndNothingOpensAtStart) {
    GuiProgram gui;
    QMenuBar* bar = gui.mainWindow().menuBar();
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[1]->text(), "&Run");
    QStringList captions, keys;
    for (QAction* a : bar->actions()[1]->menu()->actions()) {
        if (a->isSeparator()) continue;
        captions << a->text();
        keys << a->shortcut().toString();
    }
    // The pace group comes first, then these, the Model submenu and the Lab last.
    ASSERT_GE(captions.size(), 6);
    EXPECT_EQ(
        captions.mid(captions.size() - 6, 4),
        (QStringList{"&Measurements", "&Large View", "Save Pi&cture...", "Save Measu&rements..."}));
    EXPECT_EQ(keys.mid(keys.size() - 6, 4),
              (QStringList{"Ctrl+M", "Ctrl+L", "Ctrl+S", "Ctrl+Shift+S"}));
    MeasureTools& tools = *gui.backend.measureTools();
    EXPECT_EQ(tools.measurements(), nullptr);
    EXPECT_EQ(tools.largeView(), nullptr);
    EXPECT_FALSE(tools.recorder().attached());

    // The shortcut works from a text box and leaves its text alone.
    auto* temp = gui.widget<QLineEdit>(gui.main(), "Temp");
    gui.mainWindow().activateWindow();
    temp->setFocus();
    QTest::keyClick(temp, Qt::Key_M, Qt::ControlModifier);
    ASSERT_NE(tools.measurements(), nullptr);
    EXPECT_TRUE(tools.measurements()->isVisible());
    EXPECT_EQ(temp->text(), "2.2619");
    EXPECT_TRUE(tools.recorder().attached());
    tools.measurements()->close();
    EXPECT_FALSE(tools.recorder().attached());
}

// A seeded run in the window, saved through the dialog, is the batch tool's series for the same
// inputs and seed, at the interval the window kept.
TEST(MeasurementsWindow, ASeededRunSavesTheBatchToolsSeries) {
    struct Case {
        const char* simulation;
        const char* size;
        const char* units;
        const char* temp;
    };
    for (const Case& c : {Case{"square", "20", "10", "5.3"}, Case{"chain", "60", "500", "3"}}) {
        SCOPED_TRACE(c.simulation);
        GuiProgram gui;
        const Model& model = *findModel(c.simulation);
        model.prepare(gui.program, c.size, c.units);
        gui.main().Temp.setText(c.temp);
        MeasureTools& tools = *gui.backend.measureTools();
        tools.showMeasurements();
        const SeriesStore& store = tools.recorder().store();
        runUntil(gui, [&] {
            return store.rows().size() > 10 && tools.measurements()->plottedPoints() > 1;
        });
        ASSERT_GT(store.rows().size(), 10u);
        MeasurementsWindow& window = *tools.measurements();
        QString trials = window.value("Trials");
        trials.remove(',');
        EXPECT_EQ(trials.toStdString(), model.label(gui.program));
        EXPECT_GT(window.plottedPoints(), 1);

        QTemporaryDir dir;
        window.saveButton()->click();
        auto* dialog = qobject_cast<QFileDialog*>(tools.saver().dialog());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(QFileInfo(dialog->selectedFiles().value(0))
                        .fileName()
                        .startsWith(QString("%1-%2%3-T%4-")
                                        .arg(c.simulation)
                                        .arg(model.chain ? "n" : "N")
                                        .arg(model.chain ? c.units : c.size)
                                        .arg(c.temp)));
        answerDialog(tools, dir.filePath("window.csv"));

        const std::string batchPath = dir.filePath("batch.csv").toStdString();
        const batch::Options o = *batch::parseOptions(
            {c.simulation, model.chain ? "--units" : "--size", model.chain ? c.units : c.size,
             "--temp", c.temp, "--seed", "1", "--trials", std::to_string(store.rows().back().trial),
             "--every", std::to_string(store.interval()), "--series", batchPath});
        std::FILE* f = std::fopen(batchPath.c_str(), "w");
        batch::runModel(model, o, f);
        std::fclose(f);
        EXPECT_EQ(withoutRecord(slurp(dir.filePath("window.csv"))),
                  withoutRecord(slurp(dir.filePath("batch.csv"))));
    }
}

// A save to a path that cannot be written, during a run: the message names the path and the
// reason, nothing is left behind, and the run goes on.
TEST(Saving, AnUnwritablePathIsReportedAndTheRunGoesOn) {
    GuiProgram gui;
    MeasureTools& tools = *gui.backend.measureTools();
    QTemporaryDir dir;
    const QString path = dir.filePath("missing/picture.png");
    std::uint64_t trialsAtFailure = 0;
    runFor(gui, 300, [&] {
        QTimer::singleShot(100, [&] {
            tools.action("SavePicture")->trigger();
            answerDialog(tools, path);
            trialsAtFailure = gui.pump.calls();
        });
    });
    ASSERT_NE(tools.saver().message(), nullptr);
    EXPECT_TRUE(tools.saver().message()->isVisible());
    EXPECT_EQ(tools.saver().message()->text().toStdString(),
              ("Nothing was saved: cannot write " + path + ".").toStdString());
    EXPECT_EQ(tools.saver().message()->informativeText().toStdString(),
              "No such file or directory.");
    EXPECT_TRUE(QDir(dir.path())
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    .isEmpty());
    EXPECT_GT(gui.pump.calls(), trialsAtFailure + 1000);
    EXPECT_TRUE(gui.program.runs().empty());

    // The same picture to a good path is what the window shows.
    tools.action("SavePicture")->trigger();
    answerDialog(tools, dir.filePath("picture.png"));
    const QImage saved(dir.filePath("picture.png"));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
              gui.mainWindow().picture("Picture1")->raster());
}

TEST(LargeView, ShowsEverySiteOfTheLatticeAndAnyCubeSection) {
    GuiProgram gui;
    MeasureTools& tools = *gui.backend.measureTools();
    gui.main().GridSize.setText("1000");
    gui.main().Temp.setText("50");
    tools.showLargeView();
    LargeViewWindow& view = *tools.largeView();
    runFor(gui, 150);
    view.refresh();
    const SquareLattice& square = gui.main().state.Lattice2D;
    const Block& block = view.block();
    ASSERT_EQ(block.width, 1001);
    ASSERT_EQ(block.height, 1001);
    for (int y = 0; y <= 1000; ++y)
        for (int x = 0; x <= 1000; ++x)
            ASSERT_EQ(block.at(x, y), square.get(x, y)) << x << "," << y;

    // Saved at its own resolution, one zoom square per site, in the spin colours.
    view.setZoom(2);
    QTemporaryDir dir;
    view.saveButton()->click();
    answerDialog(tools, dir.filePath("view.png"));
    const QImage saved(dir.filePath("view.png"));
    ASSERT_EQ(saved.size(), QSize(2002, 2002));
    for (int y = 0; y <= 1000; y += 37)
        for (int x = 0; x <= 1000; x += 41)
            ASSERT_EQ(saved.pixel(2 * x + 1, 2 * y + 1) & 0xFFFFFF,
                      square.get(x, y) == -1 ? 0x0000FFu : 0xFFFFFFu);

    gui.main().GridSize.setText("20");
    gui.main().simulation3D.click();
    runFor(gui, 50);
    view.setSection(SectionAxis::X, 7);
    const CubicLattice& cube = gui.main().state.Lattice3D;
    ASSERT_EQ(view.block().width, 21);
    for (int row = 0; row <= 20; ++row)
        for (int col = 0; col <= 20; ++col)
            ASSERT_EQ(view.block().at(col, row), cube.get(7, col, row));
}

// Every Run menu key works from every window, items added later included; Ctrl+S in the Large
// View saves the view over it; Alt+R and F10 reach the menus from the keyboard.
TEST(RunMenu, EveryKeyWorksFromEveryWindow) {
    GuiProgram gui;
    MeasureTools& tools = *gui.backend.measureTools();
    QMenu& run = gui.backend.runMenu()->menu();
    run.addMenu(QStringLiteral("Later"))->addAction(QStringLiteral("Later item"));
    std::function<void(QMenu&)> everyItem = [&](QMenu& menu) {
        for (QAction* a : menu.actions()) {
            EXPECT_EQ(a->shortcutContext(), Qt::ApplicationShortcut) << a->text().toStdString();
            if (a->menu()) everyItem(*a->menu());
        }
    };
    everyItem(run);

    auto activate = [](QWidget* w) {
        w->activateWindow();
        return QTest::qWaitForWindowActive(w);
    };
    gui.program.Form1().window.Show();
    gui.backend.syncAll();
    QWidget* ant = &gui.window(gui.program.Form1());
    ASSERT_TRUE(activate(ant));
    QTest::keyClick(ant, Qt::Key_L, Qt::ControlModifier);
    ASSERT_NE(tools.largeView(), nullptr);
    ASSERT_TRUE(activate(tools.largeView()));
    QTest::keyClick(tools.largeView(), Qt::Key_M, Qt::ControlModifier);
    ASSERT_NE(tools.measurements(), nullptr);
    EXPECT_TRUE(tools.measurements()->isVisible());
    ASSERT_TRUE(activate(tools.largeView()));
    QTest::keyClick(tools.largeView(), Qt::Key_S, Qt::ControlModifier);
    auto* dialog = qobject_cast<QFileDialog*>(tools.saver().dialog());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), tools.largeView());
    EXPECT_TRUE(dialog->selectedFiles().value(0).endsWith("-view.png"));
    dialog->close();

    ASSERT_TRUE(activate(ant));
    QTest::keyClick(ant, Qt::Key_F10);
    QMenuBar* bar = gui.mainWindow().menuBar();
    EXPECT_EQ(bar->activeAction(), bar->actions()[0]);
    if (QWidget* open = QApplication::activePopupWidget()) open->close();
    ASSERT_TRUE(activate(&gui.mainWindow()));
    QTest::keyClick(&gui.mainWindow(), Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(run.isVisible());
    run.close();
}

// Idle, the Large View shows (and saves) the lattice the last run left, whatever the box says.
TEST(LargeView, IdleItShowsTheLastRunNotTheBox) {
    GuiProgram gui;
    gui.main().GridSize.setText("20");
    runFor(gui, 50);
    gui.main().GridSize.setText("1000");
    MeasureTools& tools = *gui.backend.measureTools();
    tools.showLargeView();
    const LargeViewWindow& view = *tools.largeView();
    EXPECT_EQ(view.size(), 20);
    ASSERT_EQ(view.block().width, 21);
    EXPECT_EQ(view.picture().width, 21 * view.zoom());
    for (int y = 0; y <= 20; ++y)
        for (int x = 0; x <= 20; ++x)
            ASSERT_EQ(view.block().at(x, y), gui.main().state.Lattice2D.get(x, y));
}

// With the cluster update a sweep is a site's worth of flipped sites, in the Sweeps row and on
// the time axis; every axis's tick labels differ from one another.
TEST(MeasurementsWindow, WolffSweepsCountFlippedSitesAndTickLabelsDiffer) {
    GuiProgram gui;
    gui.main().GridSize.setText("20");
    gui.main().Temp.setText("2.4");
    gui.backend.modelMenu()->setCluster(true);
    MeasureTools& tools = *gui.backend.measureTools();
    tools.showMeasurements();
    const std::int64_t before = gui.main().state.drift.accepted;
    const SeriesStore& store = tools.recorder().store();
    runUntil(gui, [&] { return store.rows().size() > 50; });
    MeasurementsWindow& window = *tools.measurements();
    const double flipped = double(gui.main().state.drift.accepted - before);
    EXPECT_EQ(window.value("Sweeps"), QString::number(flipped / 441, 'f', 2));
    ASSERT_GT(store.rows().size(), 50u);
    EXPECT_GT(store.rows().back().work, 2 * store.rows().back().trial);
    EXPECT_LE(double(store.rows().back().work), flipped);
    EXPECT_GE(window.xAxis(0)->max(), double(store.rows().back().work) / 441);

    for (int chart : {0, 1}) {
        for (QValueAxis* axis : {window.xAxis(chart), window.yAxis(chart)}) {
            const int decimals = axis->labelFormat().mid(2).chopped(1).toInt();
            QStringList labels;
            for (double v = axis->tickAnchor(); v <= axis->max() + 1e-9; v += axis->tickInterval())
                labels << QString::number(v, 'f', decimals);
            QStringList distinct = labels;
            distinct.removeDuplicates();
            EXPECT_EQ(distinct.size(), labels.size()) << labels.join(' ').toStdString();
            EXPECT_LE(labels.size(), 8);
        }
    }
}

}  // namespace
}  // namespace spinlab
