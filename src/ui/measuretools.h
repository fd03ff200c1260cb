#pragma once
// The measurement tools of the main window's "Run" menu: the Measurements window, the Large View
// and saving pictures and series. Nothing here runs until one of them is used: the windows are
// built when first opened, and while they are closed a repaint costs one test.

#include <QString>
#include <memory>

#include "measure/record.h"
#include "measure/recorder.h"
#include "ui/savefile.h"

class QAction;
class QMenu;
class QWidget;

namespace spinlab {

class LargeViewWindow;
class MeasurementsWindow;
class Program;

class MeasureTools {
public:
    explicit MeasureTools(Program& program);
    ~MeasureTools();
    MeasureTools(const MeasureTools&) = delete;
    MeasureTools& operator=(const MeasureTools&) = delete;

    // The four items, after a separator when the menu already holds others.
    void addActions(QMenu* menu);
    QAction* action(const QString& name) const;

    void showMeasurements();
    void showLargeView();
    // The picture of the run under way, or of the selected simulation when idle, as its window
    // shows it (the same picture as spinlab-batch --png).
    void savePicture(QWidget* parent);
    void saveMeasurements(QWidget* parent);
    void saveLargeView();

    // At every pump slice and after every handler.
    void sync();
    void hideAll();

    Recorder& recorder() { return recorder_; }
    MeasurementsWindow* measurements() const { return measurements_.get(); }
    LargeViewWindow* largeView() const { return largeView_.get(); }
    FileSaver& saver() { return saver_; }

private:
    // Writes the Large View's picture scaled, row by row, with a progress box for a large one.
    void writeWithProgress(const std::string& path, const RgbImage& image, int zoomX, int zoomY,
                           const Record& record);
    // The window a save dialog opens over: the one the user is in.
    QWidget* dialogParent() const;

    Program& program_;
    Recorder recorder_;
    FileSaver saver_;
    std::unique_ptr<MeasurementsWindow> measurements_;
    std::unique_ptr<LargeViewWindow> largeView_;
    QMenu* menu_ = nullptr;
};

}  // namespace spinlab
