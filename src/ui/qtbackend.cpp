#include "ui/qtbackend.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPalette>
#include <QScreen>
#include <algorithm>
#include <vector>

#include "core/rng.h"
#include "ui/formwindow.h"
#include "ui/labwindow.h"
#include "ui/measuretools.h"

namespace spinlab {

namespace {

double screenTwipsPerPixel(bool vertical) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi =
        screen ? (vertical ? screen->logicalDotsPerInchY() : screen->logicalDotsPerInchX()) : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

}  // namespace

// Beside the main window (right, left, below, above), clear of every window shown if it can be,
// else at least clear of the main window, whose boxes it talks about.
QPoint besideWindows(const QSize& size, const QRect& main, const std::vector<QRect>& shown,
                     const QRect& screen) {
    constexpr int kGap = 8;
    const QPoint candidates[] = {
        {main.right() + 1 + kGap, main.top()},
        {main.left() - kGap - size.width(), main.top()},
        {main.left(), main.bottom() + 1 + kGap},
        {main.left(), main.top() - kGap - size.height()},
    };
    auto clearOf = [&](const QRect& box, const std::vector<QRect>& windows) {
        return std::none_of(windows.begin(), windows.end(),
                            [&](const QRect& w) { return w.intersects(box); });
    };
    for (const auto& avoid : {shown, std::vector<QRect>{main}}) {
        for (const QPoint& p : candidates) {
            const QRect box(p, size);
            if (screen.contains(box) && clearOf(box, avoid)) return p;
        }
    }
    // No room beside it: the right edge of the screen, over as little of the window as may be.
    return {std::max(screen.left(), screen.right() + 1 - size.width()), screen.top()};
}

void placeBesideMain(QWidget& window) {
    const QWidget* main = nullptr;
    std::vector<QRect> shown;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w == &window) continue;
        if (w->objectName() == QLatin1String("IsingModel")) main = w;
        shown.push_back(w->frameGeometry());
    }
    const QScreen* screen =
        main && main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    if (!main || !screen) return;
    const QRect mainFrame = main->frameGeometry();
    // The frame the window manager will add, as it added it to the main window.
    const QSize border = mainFrame.size() - main->geometry().size();
    const QSize size = window.sizeHint().expandedTo(window.size()) + border;
    window.move(besideWindows(size, mainFrame, shown, screen->availableGeometry()));
}

QtBackend::QtBackend()
    : background_(
          static_cast<Color>(QApplication::palette().color(QPalette::Window).rgb() & 0x00FFFFFFu)),
      twipsPerPixelX_(screenTwipsPerPixel(false)),
      twipsPerPixelY_(screenTwipsPerPixel(true)) {}

QtBackend::~QtBackend() {
    release();
    delete messageBox_;
}

void QtBackend::release() {
    lab_.reset();
    tools_.reset();
}

void QtBackend::formCreated(Form& form) {
    auto window = std::make_unique<FormWindow>(form, *program_, twipsPerPixelX_);
    if (dynamic_cast<MainForm*>(&form) != nullptr)
        runMenu_ = buildRunMenu(*window, *program_, *this);
    window->sync();
    if (dynamic_cast<MainForm*>(&form) != nullptr) {
        tools_ = std::make_unique<MeasureTools>(*program_);
        tools_->addActions(&runMenu_->menu());
        modelMenu_ = new ModelMenu(runMenu_->menu(), *program_);
        lab_ = std::make_unique<LabTools>(runMenu_->menu(), *program_, *tools_);
    }
    windows_[&form] = std::move(window);
}

FormWindow* QtBackend::windowFor(const Form& form) const {
    auto it = windows_.find(&form);
    return it == windows_.end() ? nullptr : it->second.get();
}

void QtBackend::syncAll() {
    for (auto& [form, window] : windows_)
        window->sync();
    if (tools_) tools_->sync();
    if (runMenu_) runMenu_->sync();
    if (modelMenu_) modelMenu_->sync();
    if (lab_) lab_->sync();
}

void QtBackend::endProgram() {
    for (auto& [form, window] : windows_)
        window->hide();
    if (tools_) tools_->hideAll();
    if (lab_) lab_->hide();
    if (messageBox_) messageBox_->hide();
    QCoreApplication::quit();
}

void QtBackend::reportError(const std::string& message) {
    lastError_ = message;
    ++errorCount_;
    // One box, not modal: a run that goes on (an outer run after a failed nested Start) is not
    // held up, and repeated errors do not stack up windows.
    if (!messageBox_) {
        QWidget* parent = nullptr;
        if (program_ && program_->hasIsingModel()) parent = windowFor(program_->IsingModel());
        messageBox_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("spinlab"), QString(),
                                      QMessageBox::Ok, parent);
        messageBox_->setWindowModality(Qt::NonModal);
        // Messages quote what the user typed; markup in it is shown, not obeyed.
        messageBox_->setTextFormat(Qt::PlainText);
    }
    messageBox_->setText(QString::fromStdString(message));
    if (!messageBox_->isVisible()) placeMessageBox();
    messageBox_->show();
    messageBox_->raise();
}

void QtBackend::placeMessageBox() {
    const FormWindow* main =
        program_ && program_->hasIsingModel() ? windowFor(program_->IsingModel()) : nullptr;
    if (!main || !main->isVisible()) return;  // Qt centres it, with nothing to cover
    messageBox_->adjustSize();
    // The frame's size: the box's own plus what the window manager adds around the main window.
    const QRect mainFrame = main->frameGeometry();
    const QSize border = mainFrame.size() - main->geometry().size();
    const QSize size = messageBox_->sizeHint().expandedTo(messageBox_->size()) + border;
    std::vector<QRect> shown;
    for (const auto& [form, window] : windows_) {
        if (window->isVisible()) shown.push_back(window->frameGeometry());
    }
    const QScreen* screen = main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(mainFrame.topLeft(), size);
    // move() places the frame, and marks the box as placed so that show() does not centre it.
    messageBox_->move(besideWindows(size, mainFrame, shown, area));
}

QtPump::QtPump(QtBackend& backend, Rng& rng)
    : backend_(backend), rng_(rng), lastSlice_(clockReading()), lastCheck_(lastSlice_) {
    frameEnd_.setSingleShot(true);
    frameEnd_.setTimerType(Qt::PreciseTimer);
}

std::uint64_t QtPump::now() {
    return clockReading();
}

void QtPump::waitForEvents(std::uint64_t deadline, const std::function<bool()>& stillWaiting) {
    backend_.syncAll();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    ++slices_;
    // A nested run inside the wait uses the same timer; each pass sets it afresh.
    while (stillWaiting()) {
        const std::uint64_t now = clockReading();
        if (deadline != Pace::kNoDeadline) {
            if (now >= deadline) break;
            const std::uint64_t ms = (deadline - now + 999'999) / 1'000'000;
            frameEnd_.start(static_cast<int>(std::min<std::uint64_t>(ms, 1000)));
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    frameEnd_.stop();
    lastSlice_ = clockReading();
}

void QtPump::service() {
    // Pace may have held the run for a while: the clock is read after it.
    if (program_ != nullptr) {
        const std::uint64_t trials = program_->pace().pace(*program_, *this);
        if (trials > 0) {
            lastCheck_ = clockReading();
            rng_.setClock(lastCheck_);
            callsAtCheck_ = calls_;
            serviceAgainAfter(trials);
            return;
        }
    }
    const std::uint64_t now = clockReading();
    rng_.setClock(now);
    const std::uint64_t callsSince = calls_ - callsAtCheck_;
    const std::uint64_t elapsed = std::max<std::uint64_t>(now - lastCheck_, 1);
    // Calls per nanosecond over the last stretch, to aim the next clock reading at the deadline.
    const double rate = static_cast<double>(callsSince) / static_cast<double>(elapsed);
    std::uint64_t wait = kSliceNs;
    if (now - lastSlice_ >= kSliceNs) {
        const std::uint64_t paceVersion = program_ != nullptr ? program_->pace().version() : 0;
        backend_.syncAll();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        ++slices_;
        lastSlice_ = clockReading();
        // Pause or a new speed, chosen in this slice, takes hold at the next trial.
        if (program_ != nullptr && program_->pace().version() != paceVersion) wait = 0;
    } else {
        wait = kSliceNs - (now - lastSlice_);
    }
    lastCheck_ = clockReading();
    callsAtCheck_ = calls_;
    const double next = wait == 0 ? 1.0 : rate * static_cast<double>(wait);
    serviceAgainAfter(static_cast<std::uint64_t>(std::clamp(next, 1.0, 1e8)));
}

}  // namespace spinlab
