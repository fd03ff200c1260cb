#pragma once
// The Run menu's Model submenu: the lattices' coupling (the 3 x 3 block or the nearest
// neighbours), their edges (open or periodic) and the external field h. A choice takes effect at
// the next trial, as an edit of Temp does; the check marks show the model in force.

#include <QObject>

class QAction;
class QInputDialog;
class QMenu;

namespace spinlab {

class Program;

class ModelMenu : public QObject {
public:
    // Adds the submenu at the end of `runMenu`, after a separator.
    ModelMenu(QMenu& runMenu, Program& program);

    QMenu& menu() const { return *menu_; }
    // Check marks and the field's caption follow the program's model.
    void sync();
    // Opens the field's box without holding up a run; its OK reads the text as Temp is read.
    void askField();
    // The field's box while it is open (for tests).
    QInputDialog* fieldDialog() const { return dialog_; }
    // Applies a field text as the box's OK does: a text that is not a number is reported in a
    // message naming "Field", and the field stays.
    void setField(const QString& text);
    // Turns the cluster update on or off as the item does: not with a field in force.
    void setCluster(bool on);

private:
    Program& program_;
    QMenu* menu_;
    QAction* block_;
    QAction* nearest_;
    QAction* open_;
    QAction* periodic_;
    QAction* field_;
    QAction* cluster_;
    QInputDialog* dialog_ = nullptr;
};

}  // namespace spinlab
