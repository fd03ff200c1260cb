// Drives the real windows on the offscreen platform: chooses the simulation in the File menu,
// presses Start, lets the run go, then clicks Stop from outside the event loop (as a user's
// click arrives) and reports trials per second, repaints per second of the simulation's
// pictures, and the delay from the click to the loop's end.
//
//   spinlab_window_bench [square|cubic|chain] [seconds] [size] [measurements|largeview|both]
//   spinlab_window_bench ant [steps] [obstacles]
//
// The size is the Lattice Size for the lattices and the Number of Chain Units for the chain. The
// ant presses Form1's Start until its walks have taken at least `steps` steps (default 20000)
// and reports how long they took in the real window. The last argument opens the Run menu's
// windows for the run, to see what they cost.

#include <QAction>
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
#include <vector>

#include "app/application.h"
#include "core/rng.h"
#include "ui/formwindow.h"
#include "ui/measuretools.h"
#include "ui/picturebox.h"
#include "ui/qtapp.h"
#include "ui/qtbackend.h"

namespace {

class PaintCounter : public QObject {
public:
    explicit PaintCounter(const spinlab::QtPump& pump) : pump_(pump) {}
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && pump_.slices() != lastSlice_) {
            lastSlice_ = pump_.slices();
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const spinlab::QtPump& pump_;
    std::uint64_t lastSlice_ = ~0ull;
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

int antBench(spinlab::Program& program, spinlab::QtBackend& backend, spinlab::QtPump& pump,
             spinlab::Application& application, long long wanted, int obstacles) {
    using Clock = std::chrono::steady_clock;
    spinlab::AntForm& form = program.Form1();
    form.window.Show();
    form.HScroll1.setValue(obstacles);
    backend.syncAll();
    QCoreApplication::processEvents();
    spinlab::FormWindow& window = *backend.windowFor(form);
    PaintCounter counter(pump);
    window.picture("Picture1")->installEventFilter(&counter);
    auto* start = qobject_cast<QPushButton*>(window.widget("Command1"));

    long long steps = 0;
    int walks = 0;
    const std::uint64_t slicesBefore = pump.slices();
    const Clock::time_point first = Clock::now();
    while (steps < wanted) {
        start->click();
        steps += application.antCommands().lastWalk().steps;
        ++walks;
    }
    const double run = std::chrono::duration<double>(Clock::now() - first).count();
    std::printf("simulation:          ant, %d obstacles\n", obstacles);
    std::printf("walks:               %d, %lld steps (last label %s)\n", walks, steps,
                form.Label1.Caption().c_str());
    std::printf("seconds:             %.4f (%.4f per 20,000 steps)\n", run, run * 20000.0 / steps);
    std::printf("steps per second:    %.3g\n", steps / run);
    std::printf("event slices:        %llu, repaints %d\n",
                static_cast<unsigned long long>(pump.slices() - slicesBefore), counter.paints);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string simulation = argc > 1 ? argv[1] : "square";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
    const std::string size = argc > 3 ? argv[3] : (simulation == "chain" ? "10000" : "60");
    if (simulation != "square" && simulation != "cubic" && simulation != "chain" &&
        simulation != "ant") {
        std::fprintf(stderr,
                     "usage: spinlab_window_bench [square|cubic|chain] [seconds] [size] "
                     "[measurements|largeview|both]\n"
                     "       spinlab_window_bench ant [steps] [obstacles]\n");
        return 2;
    }
    QApplication app(argc, argv);
    using Clock = std::chrono::steady_clock;

    spinlab::QtApp qt(spinlab::Rng::fromClock());
    spinlab::Program& program = qt.program;
    spinlab::QtBackend& backend = qt.backend;
    spinlab::QtPump& pump = qt.pump;
    spinlab::Application& application = qt.app;
    if (simulation == "ant") {
        return antBench(program, backend, pump, application, argc > 2 ? std::atoll(argv[2]) : 20000,
                        argc > 3 ? std::atoi(argv[3]) : 0);
    }
    spinlab::MainForm& form = program.IsingModel();
    std::vector<spinlab::PictureBox*> pictures;
    spinlab::FormWindow& window = *backend.windowFor(form);
    if (simulation == "square") {
        form.GridSize.setText(size);
        pictures.push_back(window.picture("Picture1"));
    } else if (simulation == "cubic") {
        form.GridSize.setText(size);
        window.menuAction("simulation3D")->trigger();
        spinlab::FormWindow& view = *backend.windowFor(program.n3DPicForm());
        for (const char* name : {"PictureXY", "PictureYZ", "PictureXZ"}) {
            pictures.push_back(view.picture(name));
        }
    } else {
        window.menuAction("PolymerChain")->trigger();
        program.PolymerWindow().Iterations.setText(size);
        pictures.push_back(backend.windowFor(program.PolymerWindow())->picture("Picture1"));
    }
    const std::string open = argc > 4 ? argv[4] : "";
    if (open == "measurements" || open == "both") backend.measureTools()->showMeasurements();
    if (open == "largeview" || open == "both") backend.measureTools()->showLargeView();
    backend.syncAll();
    QCoreApplication::processEvents();

    // A repaint is one slice in which any of the simulation's pictures was painted.
    PaintCounter counter(pump);
    for (spinlab::PictureBox* p : pictures)
        p->installEventFilter(&counter);
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
    if (clicker.joinable()) clicker.join();

    const double run = std::chrono::duration<double>(ended - first).count();
    const double trials = static_cast<double>(pump.calls() - callsAtFirst);
    const double stopDelayMs = std::chrono::duration<double, std::milli>(
                                   ended.time_since_epoch() - Clock::duration(clickedAt.load()))
                                   .count();
    const std::string label =
        simulation == "cubic" ? program.n3DPicForm().Label1.Caption() : form.Label1.Caption();
    std::printf("simulation:          %s, size %s\n", simulation.c_str(), size.c_str());
    std::printf("trials:              %.0f (label %s)\n", trials, label.c_str());
    std::printf("trials per second:   %.3g\n", trials / run);
    std::printf("repaints per second: %.1f\n", (counter.paints - paintsAtFirst) / run);
    std::printf("event slices:        %.1f per second\n", pump.slices() / run);
    std::printf("stop delay:          %.2f ms\n", stopDelayMs);
    return 0;
}
