#pragma once
// Saving from the windows: the standard file dialog, opened without blocking, so a run goes on
// while the user picks a place; the file is written whole or not at all; a failure is reported
// in a message that names the path and the reason, and the run is not disturbed.

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace spinlab {

class Program;

class FileSaver {
public:
    // Writes the file at a path; throws WriteError.
    using Writer = std::function<void(const std::string& path)>;

    // Opens the dialog on `parent`, starting at `name` in the folder saved to last; on accept,
    // `write` runs with the chosen path. `filter` is the dialog's file type ("PNG image (*.png)").
    void ask(QWidget* parent, const QString& title, const QString& name, const QString& filter,
             Writer write);
    // The part after the dialog: writes, and reports a failure. True when the file was written.
    bool save(QWidget* parent, const QString& title, const QString& path, const Writer& write);

    // A message that does not hold up a run: one box, reused.
    void tell(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
              const QString& details);

    // For tests: the dialog now open, and the last failure shown.
    QWidget* dialog() const { return dialog_; }
    QMessageBox* message() const { return message_; }

private:
    QString folder_;
    QPointer<QWidget> dialog_;
    QPointer<QMessageBox> message_;
};

// A default file name: the simulation, its size, the temperature and the time, with `extra`
// (a cube section) and `suffix` (".png", ".csv").
QString defaultFileName(Program& program, const std::string& simulation, int size,
                        const QString& extra, const QString& suffix);

}  // namespace spinlab
