#include "ui/modelmenu.h"

#include <QAction>
#include <QActionGroup>
#include <QInputDialog>
#include <QMenu>

#include "core/program.h"
#include "core/simstate.h"

namespace spinlab {

namespace {

QString fieldText(double h) {
    return QString::number(h, 'g', 10);
}

}  // namespace

ModelMenu::ModelMenu(QMenu& runMenu, Program& program) : QObject(&runMenu), program_(program) {
    runMenu.addSeparator();
    menu_ = runMenu.addMenu(QStringLiteral("Mo&del"));
    menu_->setObjectName(QStringLiteral("Model"));
    auto choice = [this](QActionGroup* group, const char* name, const char* caption, auto set) {
        QAction* a = menu_->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, set] {
            set(program_.IsingModel().state.model);
            sync();
        });
        return a;
    };
    auto* coupling = new QActionGroup(menu_);
    block_ = choice(coupling, "Coupling_block", "3 x 3 &Block",
                    [](ModelOptions& m) { m.coupling = Coupling::Block; });
    nearest_ = choice(coupling, "Coupling_nearest", "&Nearest Neighbours",
                      [](ModelOptions& m) { m.coupling = Coupling::Nearest; });
    menu_->addSeparator();
    auto* edges = new QActionGroup(menu_);
    open_ =
        choice(edges, "Edges_open", "&Open Edges", [](ModelOptions& m) { m.edges = Edges::Open; });
    periodic_ = choice(edges, "Edges_periodic", "&Periodic Edges",
                       [](ModelOptions& m) { m.edges = Edges::Periodic; });
    menu_->addSeparator();
    field_ = menu_->addAction(QString());
    field_->setObjectName(QStringLiteral("Field"));
    connect(field_, &QAction::triggered, this, [this] { askField(); });
    menu_->addSeparator();
    cluster_ = menu_->addAction(QStringLiteral("&Wolff Cluster Update"));
    cluster_->setObjectName(QStringLiteral("Cluster"));
    cluster_->setCheckable(true);
    connect(cluster_, &QAction::triggered, this, [this](bool on) { setCluster(on); });
    sync();
}

void ModelMenu::sync() {
    const ModelOptions& m = program_.IsingModel().state.model;
    (m.coupling == Coupling::Block ? block_ : nearest_)->setChecked(true);
    (m.edges == Edges::Open ? open_ : periodic_)->setChecked(true);
    field_->setText(QStringLiteral("&Field h = %1...").arg(fieldText(m.field)));
    cluster_->setChecked(m.cluster);
}

void ModelMenu::setCluster(bool on) {
    ModelOptions& m = program_.IsingModel().state.model;
    if (on && m.field != 0) {
        program_.backend().reportError(
            "The Wolff cluster update works without a field: set Field h to 0 first.");
    } else {
        m.cluster = on;
    }
    sync();
}

void ModelMenu::askField() {
    if (!dialog_) {
        dialog_ =
            new QInputDialog(menu_->parentWidget() ? menu_->parentWidget()->window() : nullptr);
        dialog_->setObjectName(QStringLiteral("FieldDialog"));
        dialog_->setWindowTitle(QStringLiteral("Field"));
        dialog_->setLabelText(
            QStringLiteral("External field h on the lattices (0 for none); a flip of spin s "
                           "costs 2 s (sum + h):"));
        connect(dialog_, &QInputDialog::textValueSelected, this,
                [this](const QString& text) { setField(text); });
    }
    dialog_->setTextValue(fieldText(program_.IsingModel().state.model.field));
    // open(), not exec(): a run goes on in the pump's slices while the box is up.
    dialog_->open();
}

void ModelMenu::setField(const QString& text) {
    const std::string typed = text.trimmed().toStdString();
    program_.handle([this, &typed] {
        ModelOptions& m = program_.IsingModel().state.model;
        const double h = fieldFromText(typed);
        if (h != 0 && m.cluster) {
            program_.backend().reportError(
                "Field " + typed +
                " is not taken: the Wolff cluster update works without a field. Choose it off "
                "first.");
            return;
        }
        m.field = h;
    });
    sync();
}

}  // namespace spinlab
