#pragma once
// The Qt 6 backend: builds a real window for each of the program's windows as it comes into
// being, keeps the widgets in step with the plain values, reports errors in a message box, and
// pumps the real event queue in time slices.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/eventpump.h"
#include "core/program.h"
#include "ui/modelmenu.h"
#include "ui/runmenu.h"

namespace spinlab {

class FormWindow;
class LabTools;
class MeasureTools;

// Moves a window about to be shown for the first time beside the main window, fully on its
// screen and clear of the windows shown if there is room (nothing happens while the main
// window is hidden).
void placeBesideMain(QWidget& window);
// Where a window of `size` (frame included) goes beside `main`: right, left, below or above,
// on `screen`, clear of `shown` if it can be, else clear of `main`.
QPoint besideWindows(const QSize& size, const QRect& main, const std::vector<QRect>& shown,
                     const QRect& screen);

class QtBackend : public Backend {
public:
    QtBackend();
    ~QtBackend() override;

    void formCreated(Form& form) override;
    void endProgram() override;
    void reportError(const std::string& message) override;
    void handlerFinished() override { syncAll(); }
    Color windowBackground() const override { return background_; }
    double twipsPerPixelX() const override { return twipsPerPixelX_; }
    double twipsPerPixelY() const override { return twipsPerPixelY_; }

    // Must be called once the program exists, before any window is created.
    void attach(Program& program) { program_ = &program; }

    // Pushes every window's changes out to its widgets.
    void syncAll();
    FormWindow* windowFor(const Form& form) const;
    // The main window's "Run" menu tools; nullptr before the main window exists.
    MeasureTools* measureTools() const { return tools_.get(); }
    // Lets go of everything that follows the program, while it still exists.
    void release();
    RunMenu* runMenu() const { return runMenu_; }
    ModelMenu* modelMenu() const { return modelMenu_; }
    LabTools* lab() const { return lab_.get(); }

    // The last error shown, and how many were shown (for tests).
    const std::string& lastError() const { return lastError_; }
    int errorCount() const { return errorCount_; }
    QMessageBox* messageBox() const { return messageBox_; }

private:
    // Places the message box where it leaves the windows, and their boxes, in view.
    void placeMessageBox();

    Program* program_ = nullptr;
    std::map<const Form*, std::unique_ptr<FormWindow>> windows_;
    std::unique_ptr<MeasureTools> tools_;
    std::unique_ptr<LabTools> lab_;
    QPointer<RunMenu> runMenu_;
    QPointer<ModelMenu> modelMenu_;
    QPointer<QMessageBox> messageBox_;
    std::string lastError_;
    int errorCount_ = 0;
    Color background_;
    double twipsPerPixelX_;
    double twipsPerPixelY_;
};

// DoEvents on Qt: at full speed the real event queue runs about every 10 ms. In between the pump
// only counts calls, reading the clock now and then to find when the next slice is due. A paused
// or paced run waits in the event queue instead, as the program's Pace decides.
class QtPump : public EventPump, private Pace::Waiter {
public:
    static constexpr std::uint64_t kSliceNs = 10'000'000;

    QtPump(QtBackend& backend, Rng& rng);
    // Must be called once the program exists: its Pace then paces the runs.
    void attach(Program& program) { program_ = &program; }
    // How many times the pump has shown the windows and handled their events.
    std::uint64_t slices() const { return slices_; }

protected:
    void service() override;

private:
    std::uint64_t now() override;
    void waitForEvents(std::uint64_t deadline, const std::function<bool()>& stillWaiting) override;

    QtBackend& backend_;
    Rng& rng_;
    Program* program_ = nullptr;
    // Wakes a wait at the end of its frame.
    QTimer frameEnd_;
    std::uint64_t lastSlice_;
    std::uint64_t lastCheck_;
    std::uint64_t callsAtCheck_ = 0;
    std::uint64_t slices_ = 0;
};

}  // namespace spinlab
