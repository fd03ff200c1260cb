// The Run menu's Model submenu in the real windows: the marks and the field's caption follow the
// model, a bad field text is refused as Temp's are, and a change of coupling during a run leaves
// the Measurements window's totals equal to a recount under the new model.

#include <gtest/gtest.h>
#include <QAction>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "ising2d/observables.h"
#include "measure/recorder.h"
#include "testkit/gui_program.h"
#include "ui/measuretools.h"
#include "ui/measurewindow.h"
#include "ui/modelmenu.h"

namespace spinlab {
namespace {

using testing::GuiProgram;

QAction* item(ModelMenu& menu, const char* name) {
    return menu.menu().findChild<QAction*>(name);
}

TEST(ModelMenu, MarksFollowTheModelAndABadFieldIsRefused) {
    GuiProgram gui;
    ModelMenu& menu = *gui.backend.modelMenu();
    const ModelOptions& model = gui.main().state.model;
    EXPECT_TRUE(model.standard());
    EXPECT_TRUE(item(menu, "Coupling_block")->isChecked());
    EXPECT_TRUE(item(menu, "Edges_open")->isChecked());
    EXPECT_EQ(item(menu, "Field")->text(), "Field h = 0...");

    item(menu, "Coupling_nearest")->trigger();
    item(menu, "Edges_periodic")->trigger();
    EXPECT_EQ(model.coupling, Coupling::Nearest);
    EXPECT_EQ(model.edges, Edges::Periodic);
    EXPECT_FALSE(item(menu, "Coupling_block")->isChecked());

    item(menu, "Field")->trigger();
    QInputDialog* box = menu.fieldDialog();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->textValue(), "0");
    emit box->textValueSelected(" -0.25 ");
    box->close();
    EXPECT_EQ(model.field, -0.25);
    EXPECT_EQ(item(menu, "Field")->text(), "Field h = -0.25...");

    menu.setField("abc");
    EXPECT_EQ(model.field, -0.25);
    ASSERT_NE(gui.backend.messageBox(), nullptr);
    EXPECT_TRUE(gui.backend.messageBox()->text().contains("Field"));
    EXPECT_TRUE(gui.backend.messageBox()->text().contains("abc"));
    // A field the energy cannot hold is refused with its range.
    menu.setField("1e308");
    EXPECT_EQ(model.field, -0.25);
    EXPECT_TRUE(
        gui.backend.messageBox()->text().contains("Field \"1e308\" is too large: fields "
                                                  "must lie between -32768 and 32767"));

    // The cluster update goes without a field, whichever comes first.
    item(menu, "Cluster")->trigger();
    EXPECT_FALSE(model.cluster);
    EXPECT_FALSE(item(menu, "Cluster")->isChecked());
    EXPECT_TRUE(gui.backend.messageBox()->text().contains("without a field"));
    menu.setField("0");
    item(menu, "Cluster")->trigger();
    EXPECT_TRUE(model.cluster);
    menu.setField("0.5");
    EXPECT_EQ(model.field, 0.0);
    EXPECT_EQ(model.describe(), "nearest, periodic edges, h = 0, Wolff");
}

TEST(ModelMenu, ACouplingChangedDuringARunIsWhatTheMeasurementsCount) {
    GuiProgram gui;
    gui.main().GridSize.setText("30");
    gui.main().Temp.setText("3");
    ModelMenu& menu = *gui.backend.modelMenu();
    menu.setField("0.5");
    MeasureTools& tools = *gui.backend.measureTools();
    tools.showMeasurements();
    QTimer::singleShot(100, [&] { item(menu, "Coupling_nearest")->trigger(); });
    QTimer::singleShot(200, [&] { item(menu, "Edges_periodic")->trigger(); });
    QTimer::singleShot(300, [&] { gui.main().Command2.click(); });
    gui.widget<QPushButton>(gui.main(), "Command1")->click();

    const std::optional<Observables> o = tools.recorder().current();
    ASSERT_TRUE(o.has_value());
    const SimState& state = gui.main().state;
    EXPECT_EQ(o->energy, squareBondEnergy(state.Lattice2D, 30, state.model));
    EXPECT_EQ(o->magnetization, squareMagnetization(state.Lattice2D, 30));
    EXPECT_EQ(o->total(), double(o->energy) - 0.5 * double(o->magnetization));
    tools.measurements()->sync();
    EXPECT_EQ(tools.measurements()->value("Model"), "nearest, periodic edges, h = 0.5");
}

}  // namespace
}  // namespace spinlab
