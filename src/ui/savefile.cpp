#include "ui/savefile.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "core/program.h"
#include "measure/atomicfile.h"

namespace spinlab {

void FileSaver::ask(QWidget* parent, const QString& title, const QString& name,
                    const QString& filter, Writer write) {
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    if (folder_.isEmpty()) folder_ = QDir::homePath();
    auto* dialog = new QFileDialog(parent, title, QDir(folder_).filePath(name), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog_ = dialog;
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [this, parent, title, write = std::move(write)](const QString& path) {
                         save(parent, title, path, write);
                     });
    // open(), not exec(): the dialog's events are handled in the pump's slices like any other,
    // so a run keeps going while it is up.
    dialog->open();
}

bool FileSaver::save(QWidget* parent, const QString& title, const QString& path,
                     const Writer& write) {
    folder_ = QFileInfo(path).absolutePath();
    try {
        write(path.toStdString());
        return true;
    } catch (const WriteError& e) {
        tell(parent, QMessageBox::Warning, title,
             QStringLiteral("Nothing was saved: cannot write %1.")
                 .arg(QString::fromStdString(e.path)),
             QString::fromStdString(e.reason) + ".");
        return false;
    }
}

void FileSaver::tell(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                     const QString& text, const QString& details) {
    // Over the window the user saved from.
    if (message_ && message_->parentWidget() != parent) message_->deleteLater();
    if (!message_ || message_->parentWidget() != parent) {
        message_ = new QMessageBox(parent);
        message_->setAttribute(Qt::WA_DeleteOnClose);
        // Not modal: the run goes on behind it. Paths are shown as typed, never as markup.
        message_->setWindowModality(Qt::NonModal);
        message_->setTextFormat(Qt::PlainText);
    }
    message_->setIcon(icon);
    message_->setWindowTitle(title);
    message_->setText(text);
    message_->setInformativeText(details);
    message_->show();
    message_->raise();
}

QString defaultFileName(Program& program, const std::string& simulation, int size,
                        const QString& extra, const QString& suffix) {
    QString name = QString::fromStdString(simulation);
    name +=
        simulation == "chain" ? QStringLiteral("-n%1").arg(size) : QStringLiteral("-N%1").arg(size);
    if (!extra.isEmpty()) name += "-" + extra;
    try {
        name += QStringLiteral("-T%1").arg(program.IsingModel().rule.temperature());
    } catch (const PlatformError&) {
        // No temperature to name: the file is still worth saving.
    }
    name += QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-HHmmss"));
    return name + suffix;
}

}  // namespace spinlab
