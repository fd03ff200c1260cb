#pragma once
// The main window's Run menu, after File. Its first group paces the runs: Pause, Step and Step
// Sweep, Faster and Slower, and the speeds of the simulations and of the ant walk, listed from
// the one table of choices. Every key of the menu, its submenus included and whatever group is
// added later, works in every window of the program, so a run can be paused, stepped, measured
// or saved from the window that shows it.

#include <QObject>
#include <string_view>

class QAction;
class QMainWindow;
class QMenu;

namespace spinlab {

class Program;
class QtBackend;
class PaceItems;

class RunMenu : public QObject {
public:
    RunMenu(QMenu& menu, Program& program, QtBackend& backend);

    QMenu& menu() const { return menu_; }
    // Check marks and enabled items follow the program's state (at every pump slice).
    void sync();
    // An item by its object name ("Pause", "Step", "Speed_full", "AntSpeed_3000", ...).
    QAction* action(std::string_view name) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The one place that makes the menu's keys application-wide: each item as it is added.
    void share(QMenu& menu);
    void share(QAction* action);

    QMenu& menu_;
    PaceItems* pace_;
};

// Adds the Run menu ("&Run", Alt+R) to the main window's menu bar, group after group. F10 (from
// any window) and Alt alone open the menu bar, so every item is reachable from the keyboard.
RunMenu* buildRunMenu(QMainWindow& window, Program& program, QtBackend& backend);

}  // namespace spinlab
