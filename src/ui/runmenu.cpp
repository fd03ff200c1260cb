#include "ui/runmenu.h"

#include <QAction>
#include <QActionEvent>
#include <QActionGroup>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <array>
#include <vector>

#include "app/runcontrol.h"
#include "core/program.h"
#include "ui/formwindow.h"
#include "ui/qtbackend.h"

namespace spinlab {

namespace {

QString qstr(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

// Alt pressed and released alone moves the keys into the menu bar, as desktop programs do; the
// default style leaves that to the platform, which on most Linux desktops does nothing.
class AltKeyStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_MenuBar_AltKeyNavigation) return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

}  // namespace

// Pause, the steps and the speeds. None of the keys is one a text box edits with, and none
// is Ctrl+Q.
class PaceItems : public QObject {
public:
    PaceItems(QMenu& menu, Program& program, QtBackend& backend)
        : QObject(&menu), program_(program), backend_(backend), control_(program) {
        pause_ = add(menu, "Pause", "&Pause", {QKeySequence("Ctrl+P"), QKeySequence(Qt::Key_Pause)},
                     [this] { control_.togglePause(); });
        pause_->setCheckable(true);
        step_ = add(menu, "Step", "S&tep", {QKeySequence("Ctrl+T")}, [this] { control_.step(); });
        sweep_ = add(menu, "StepSweep", "Step S&weep", {QKeySequence("Ctrl+Shift+T")},
                     [this] { control_.stepSweep(); });
        menu.addSeparator();
        add(menu, "Faster", "&Faster", {QKeySequence("Ctrl+]")},
            [this] { control_.faster(control_.adjustedTarget(antWindowActive())); });
        add(menu, "Slower", "Sl&ower", {QKeySequence("Ctrl+[")},
            [this] { control_.slower(control_.adjustedTarget(antWindowActive())); });
        addSpeeds(menu, PaceTarget::Simulations, "Speed", "&Speed");
        addSpeeds(menu, PaceTarget::AntWalk, "AntSpeed", "&Ant Speed");
        sync();
    }

    void sync() {
        const Pace& pace = program_.pace();
        pause_->setChecked(pace.paused());
        step_->setEnabled(control_.canStep());
        sweep_->setEnabled(control_.canSweep());
        for (PaceTarget target : {PaceTarget::Simulations, PaceTarget::AntWalk})
            speeds_[index(target)][pace.speed(target)]->setChecked(true);
    }

private:
    static std::size_t index(PaceTarget target) { return target == PaceTarget::AntWalk ? 1 : 0; }

    template <class F>
    QAction* add(QMenu& menu, const char* name, const char* caption,
                 const QList<QKeySequence>& keys, F command) {
        QAction* action = menu.addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromUtf8(name));
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, [this, command] { run(command); });
        return action;
    }

    void addSpeeds(QMenu& menu, PaceTarget target, const char* name, const char* caption) {
        QMenu* list = menu.addMenu(QString::fromUtf8(caption));
        list->setObjectName(QString::fromUtf8(name));
        auto* group = new QActionGroup(list);
        for (std::size_t i = 0; i < kSpeedChoices.size(); ++i) {
            QAction* action = list->addAction(qstr(kSpeedChoices[i].caption));
            action->setObjectName(QString::fromUtf8(name) + "_" + qstr(kSpeedChoices[i].key));
            action->setCheckable(true);
            group->addAction(action);
            connect(action, &QAction::triggered, this, [this, target, i] {
                run([this, target, i] { program_.pace().setSpeed(target, i); });
            });
            speeds_[index(target)].push_back(action);
        }
    }

    // Like every handler, a command's platform error (a size that is not a number, read for a
    // sweep) is reported and ends only the command; the menu shows the outcome as it returns.
    template <class F>
    void run(F command) {
        program_.handle(command);
    }

    bool antWindowActive() const {
        if (!program_.hasForm1()) return false;
        const FormWindow* ant = backend_.windowFor(program_.Form1());
        return ant != nullptr && QApplication::activeWindow() == ant;
    }

    Program& program_;
    QtBackend& backend_;
    RunControl control_;
    QAction* pause_ = nullptr;
    QAction* step_ = nullptr;
    QAction* sweep_ = nullptr;
    std::array<std::vector<QAction*>, 2> speeds_;
};

RunMenu::RunMenu(QMenu& menu, Program& program, QtBackend& backend)
    : QObject(&menu), menu_(menu), pace_(new PaceItems(menu, program, backend)) {
    share(menu_);
}

void RunMenu::share(QMenu& menu) {
    menu.installEventFilter(this);
    for (QAction* action : menu.actions())
        share(action);
}

void RunMenu::share(QAction* action) {
    action->setShortcutContext(Qt::ApplicationShortcut);
    if (QMenu* submenu = action->menu()) share(*submenu);
}

bool RunMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ActionAdded) share(static_cast<QActionEvent*>(event)->action());
    return QObject::eventFilter(watched, event);
}

void RunMenu::sync() {
    pace_->sync();
}

QAction* RunMenu::action(std::string_view name) const {
    return menu_.findChild<QAction*>(qstr(name));
}

RunMenu* buildRunMenu(QMainWindow& window, Program& program, QtBackend& backend) {
    QMenuBar* bar = window.menuBar();
    auto* style = new AltKeyStyle;
    style->setParent(bar);
    bar->setStyle(style);
    QMenu* menu = bar->addMenu(QStringLiteral("&Run"));
    menu->setObjectName(QStringLiteral("RunMenu"));
    auto* openBar = new QAction(&window);
    openBar->setObjectName(QStringLiteral("OpenMenuBar"));
    openBar->setShortcut(QKeySequence(Qt::Key_F10));
    openBar->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(openBar, &QAction::triggered, &window, [&window, bar] {
        if (window.isMinimized()) window.showNormal();
        window.raise();
        window.activateWindow();
        if (!bar->actions().isEmpty()) bar->setActiveAction(bar->actions().first());
    });
    window.addAction(openBar);
    auto* run = new RunMenu(*menu, program, backend);
    // Further groups follow the pace group, each after a separator of its own.
    return run;
}

}  // namespace spinlab
