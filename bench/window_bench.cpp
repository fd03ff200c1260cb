// Drives the real main window on the offscreen platform: presses Start, lets the run go, then
// clicks Stop from outside the event loop (as a user's click arrives) and reports trials per
// second, repaints per second of the picture, and the delay from the click to the loop's end.
//
//   spinlab_window_bench [seconds] [lattice size]

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/application.h"
#include "core/rng.h"
#include "ui/formwindow.h"
#include "ui/picturebox.h"
#include "ui/qtbackend.h"

namespace {

class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
};

void postClick(QWidget* target) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    const QPointF global = target->mapToGlobal(at);
    QCoreApplication::postEvent(
        target, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        target, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier));
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const std::string size = argc > 2 ? argv[2] : "60";
    QApplication app(argc, argv);
    using Clock = std::chrono::steady_clock;

    spinlab::Rng rng = spinlab::Rng::fromClock();
    spinlab::QtBackend backend;
    spinlab::QtPump pump(backend, rng);
    spinlab::Program program(backend, pump, rng);
    backend.attach(program);
    spinlab::Application application(program);
    application.start();
    spinlab::MainForm& form = program.IsingModel();
    form.GridSize.setText(size);
    backend.syncAll();
    spinlab::FormWindow& window = *backend.windowFor(form);
    QCoreApplication::processEvents();

    PaintCounter counter;
    window.picture("Picture1")->installEventFilter(&counter);
    auto* start = qobject_cast<QPushButton*>(window.widget("Command1"));
    auto* stop = qobject_cast<QPushButton*>(window.widget("Command2"));

    std::uint64_t callsAtFirst = 0;
    Clock::time_point first;
    int paintsAtFirst = 0;
    std::atomic<long long> clickedAt{0};
    std::thread clicker;
    QTimer::singleShot(0, [&] {
        // The first timer inside the run: the set-up is over.
        first = Clock::now();
        callsAtFirst = pump.calls();
        paintsAtFirst = counter.paints;
        clicker = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            clickedAt = Clock::now().time_since_epoch().count();
            postClick(stop);
        });
    });
    start->click();
    const Clock::time_point ended = Clock::now();
    clicker.join();

    const double run = std::chrono::duration<double>(ended - first).count();
    const double trials = static_cast<double>(pump.calls() - callsAtFirst);
    const double stopDelayMs = std::chrono::duration<double, std::milli>(
                                   ended.time_since_epoch() - Clock::duration(clickedAt.load()))
                                   .count();
    std::printf("lattice size:        %s\n", size.c_str());
    std::printf("trials:              %.0f (label %s)\n", trials, form.Label1.Caption().c_str());
    std::printf("trials per second:   %.3g\n", trials / run);
    std::printf("repaints per second: %.1f\n", (counter.paints - paintsAtFirst) / run);
    std::printf("event slices:        %.1f per second\n", pump.slices() / run);
    std::printf("stop delay:          %.2f ms\n", stopDelayMs);
    return 0;
}
