#include "ui/measuretools.h"

#include <QAction>
#include <QApplication>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>

#include "core/program.h"
#include "measure/blocks.h"
#include "measure/model.h"
#include "measure/png.h"
#include "ui/largeview.h"
#include "ui/measurewindow.h"

namespace spinlab {

namespace {

const QString kPng = QStringLiteral("PNG image (*.png)");
const QString kCsv = QStringLiteral("CSV file (*.csv)");

RunKind followedKind(Program& program) {
    const RunRecord* run = program.runs().innermost();
    return run ? run->kind : selectedMode(program);
}

}  // namespace

MeasureTools::MeasureTools(Program& program) : program_(program), recorder_(program) {}

MeasureTools::~MeasureTools() {
    // The windows go first: closing them lets go of the recorder.
    measurements_.reset();
    largeView_.reset();
}

void MeasureTools::addActions(QMenu* menu) {
    menu_ = menu;
    if (!menu->actions().isEmpty()) menu->addSeparator();
    auto add = [&](const char* name, const char* caption, const QKeySequence& keys, auto run) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(keys);
        QObject::connect(a, &QAction::triggered, menu, run);
    };
    add("Measurements", "&Measurements", QKeySequence(Qt::CTRL | Qt::Key_M),
        [this] { showMeasurements(); });
    add("LargeView", "&Large View", QKeySequence(Qt::CTRL | Qt::Key_L),
        [this] { showLargeView(); });
    menu->addSeparator();
    // The keys work from every window: from the Large View, Ctrl+S saves what it shows, and a
    // dialog opens over the window the user is in.
    add("SavePicture", "Save Pi&cture...", QKeySequence(Qt::CTRL | Qt::Key_S), [this] {
        if (largeView_ && QApplication::activeWindow() == largeView_.get()) {
            saveLargeView();
        } else {
            savePicture(dialogParent());
        }
    });
    add("SaveMeasurements", "Save Measu&rements...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
        [this] { saveMeasurements(dialogParent()); });
}

QWidget* MeasureTools::dialogParent() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return menu_ && menu_->parentWidget() ? menu_->parentWidget()->window() : nullptr;
}

QAction* MeasureTools::action(const QString& name) const {
    if (!menu_) return nullptr;
    for (QAction* a : menu_->actions()) {
        if (a->objectName() == name) return a;
    }
    return nullptr;
}

void MeasureTools::showMeasurements() {
    if (!measurements_) {
        measurements_ = std::make_unique<MeasurementsWindow>(program_, recorder_);
        measurements_->onSave = [this] { saveMeasurements(measurements_.get()); };
    }
    if (measurements_->isMinimized()) measurements_->showNormal();
    measurements_->show();
    measurements_->raise();
    measurements_->activateWindow();
}

void MeasureTools::showLargeView() {
    if (!largeView_) {
        largeView_ = std::make_unique<LargeViewWindow>(program_);
        largeView_->onSave = [this] { saveLargeView(); };
    }
    if (largeView_->isMinimized()) largeView_->showNormal();
    largeView_->show();
    largeView_->raise();
    largeView_->activateWindow();
    largeView_->refresh();
}

void MeasureTools::savePicture(QWidget* parent) {
    const RunKind kind = followedKind(program_);
    // Taken now: what the window shows as the user asks, however long the dialog stays up.
    const RgbImage picture = windowPicture(program_, kind);
    const Model* model = findModel(kind);
    int size = 0;
    try {
        if (model) size = model->size(program_);
    } catch (const PlatformError&) {
    }
    const QString name = model ? defaultFileName(program_, model->name, size, QString(), ".png")
                               : defaultFileName(program_, "ant", 0, QString(), ".png");
    const Record record = windowRecord(program_, kind);
    saver_.ask(parent, QStringLiteral("Save Picture"), name, kPng,
               [picture, record](const std::string& path) { writePng(path, picture, &record); });
}

void MeasureTools::saveLargeView() {
    if (!largeView_) return;
    largeView_->refresh();
    // The view's own pixels, scaled as the file is written: the whole scaled picture may not
    // fit in memory.
    const RgbImage image = largeView_->image();
    const int zoomX = largeView_->zoom(), zoomY = largeView_->zoomY();
    const Model& model = *findModel(largeView_->kind());
    const QString extra = largeView_->kind() == RunKind::Cubic ? largeView_->sectionName() : "";
    const QString name =
        defaultFileName(program_, model.name, largeView_->size(), extra, "-view.png");
    const Record record = windowRecord(program_, largeView_->kind());
    saver_.ask(largeView_.get(), QStringLiteral("Save Picture"), name, kPng,
               [this, image, zoomX, zoomY, record](const std::string& path) {
                   writeWithProgress(path, image, zoomX, zoomY, record);
               });
}

void MeasureTools::writeWithProgress(const std::string& path, const RgbImage& image, int zoomX,
                                     int zoomY, const Record& record) {
    // Some 50 million pixels take a second or more: beyond that the save shows how far it has
    // come, and can be cancelled.
    const double pixels = double(image.width) * zoomX * double(image.height) * zoomY;
    std::unique_ptr<QProgressDialog> box;
    if (pixels > 5e7) {
        box = std::make_unique<QProgressDialog>(
            QStringLiteral("Saving a picture of %1 x %2 pixels...")
                .arg(QLocale(QLocale::English).toString(qlonglong(image.width) * zoomX))
                .arg(QLocale(QLocale::English).toString(qlonglong(image.height) * zoomY)),
            QStringLiteral("Cancel"), 0, 1000, largeView_.get());
        box->setWindowTitle(QStringLiteral("Save Picture"));
        box->setWindowModality(Qt::ApplicationModal);
        box->setMinimumDuration(0);
        box->setValue(0);
    }
    writeScaledPng(
        path, image, zoomX, zoomY,
        [&box](double done) {
            if (!box) return true;
            box->setValue(static_cast<int>(done * 1000));
            return !box->wasCanceled();
        },
        &record);
}

void MeasureTools::saveMeasurements(QWidget* parent) {
    const Model* model = recorder_.model();
    if (!model) {
        saver_.tell(parent, QMessageBox::Information, QStringLiteral("Save Measurements"),
                    QStringLiteral("There are no measurements to save yet."),
                    QStringLiteral("Open Run > Measurements (Ctrl+M) and press Start: the window "
                                   "records the run's energy and magnetisation (or its state "
                                   "counts) as it goes."));
        return;
    }
    // The rows as they stand now; the series goes on growing while the dialog is up.
    const SeriesStore rows = recorder_.store();
    const bool chain = model->chain;
    const QString name =
        defaultFileName(program_, model->name, recorder_.size(), QString(), ".csv");
    const Record record = windowRecord(program_, model->kind, rows.interval(), recorder_.trials());
    saver_.ask(
        parent, QStringLiteral("Save Measurements"), name, kCsv,
        [rows, chain, record](const std::string& path) { saveSeries(path, rows, chain, &record); });
}

void MeasureTools::sync() {
    if (measurements_) measurements_->sync();
    if (largeView_) largeView_->sync();
}

void MeasureTools::hideAll() {
    if (measurements_) measurements_->hide();
    if (largeView_) largeView_->hide();
}

}  // namespace spinlab
