// Drives the real windows on the offscreen platform: chooses the simulation in the File menu,
// presses Start, lets the run go, then clicks Stop from outside the event loop (as a user's
// click arrives) and reports trials per second, repaints per second of the simulation's
// pictures, and the delay from the click to the loop's end.
//
//   spinlab_window_bench [square|cubic|chain] [seconds] [size] [speed|all] [temperature]
//       [measurements|largeview|both|wolff|nearest|periodic ...]
//   spinlab_window_bench ant [steps] [obstacles] [speed]
//
// The size is the Lattice Size for the lattices and the Number of Chain Units for the chain; the
// temperature is typed into Temp (default: as the window starts, 2.2619). The
// speed is a key of the Run menu's table (full, 10000000, ..., 10, frame), by default the one the
// program starts with: full speed for the simulations, 3000 for the ant; "all" runs the
// simulation at every speed in turn and sets the achieved rate against each. The ant presses
// Form1's Start until its walks have taken at least `steps` steps (default 20000) and reports
// how long they took in the real window. The last argument opens the Run menu's windows for
// the run, to see what they cost; "wolff", "nearest" and "periodic" choose the model (a cluster
// run also reports the sites it flipped per second).

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "core/pace.h"
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
    const spinlab::SpeedChoice& speed = program.pace().speedOf(spinlab::RunKind::Ant);
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
    std::printf("speed:               %s\n", std::string(speed.caption).c_str());
    std::printf("walks:               %d, %lld steps (last label %s)\n", walks, steps,
                form.Label1.Caption().c_str());
    std::printf("seconds:             %.4f (%.4f per 20,000 steps)\n", run, run * 20000.0 / steps);
    std::printf("steps per second:    %.3g\n", steps / run);
    std::printf("event slices:        %llu, repaints %d\n",
                static_cast<unsigned long long>(pump.slices() - slicesBefore), counter.paints);
    return 0;
}

// One run of a simulation already chosen in the File menu, stopped after `seconds`.
void simulationRun(const std::string& simulation, const std::string& size, double seconds,
                   spinlab::Program& program, spinlab::QtPump& pump, spinlab::FormWindow& window,
                   const std::vector<spinlab::PictureBox*>& pictures, bool oneLine) {
    using Clock = std::chrono::steady_clock;
    spinlab::MainForm& form = program.IsingModel();
    const spinlab::SpeedChoice& speed = program.pace().speedOf(spinlab::RunKind::Square);
    // A repaint is one slice in which any of the simulation's pictures was painted.
    PaintCounter counter(pump);
    for (spinlab::PictureBox* p : pictures)
        p->installEventFilter(&counter);
    auto* start = qobject_cast<QPushButton*>(window.widget("Command1"));
    auto* stop = qobject_cast<QPushButton*>(window.widget("Command2"));

    std::uint64_t callsAtFirst = 0;
    std::uint64_t slicesAtFirst = 0;
    std::int64_t flippedAtFirst = 0;
    Clock::time_point first;
    // The process's CPU time: on a shared machine it measures what the run costs, not what
    // the other programs leave of the wall clock.
    std::clock_t cpuAtFirst = 0;
    int paintsAtFirst = 0;
    std::atomic<long long> clickedAt{0};
    std::thread clicker;
    QTimer::singleShot(0, [&] {
        // The first timer inside the run: the set-up is over.
        first = Clock::now();
        cpuAtFirst = std::clock();
        callsAtFirst = pump.calls();
        slicesAtFirst = pump.slices();
        flippedAtFirst = form.state.drift.accepted;
        paintsAtFirst = counter.paints;
        clicker = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            clickedAt = Clock::now().time_since_epoch().count();
            postClick(stop);
        });
    });
    start->click();
    const Clock::time_point ended = Clock::now();
    const double cpu = double(std::clock() - cpuAtFirst) / CLOCKS_PER_SEC;
    if (clicker.joinable()) clicker.join();
    for (spinlab::PictureBox* p : pictures)
        p->removeEventFilter(&counter);

    const double run = std::chrono::duration<double>(ended - first).count();
    const double trials = static_cast<double>(pump.calls() - callsAtFirst);
    const double stopDelayMs = std::chrono::duration<double, std::milli>(
                                   ended.time_since_epoch() - Clock::duration(clickedAt.load()))
                                   .count();
    if (oneLine) {
        const double ratio = speed.perSecond == 0 ? 0.0 : trials / run / double(speed.perSecond);
        std::printf("%-28s %12.4g %10.4f %10.1f %8.2f\n", std::string(speed.caption).c_str(),
                    trials / run, ratio, (pump.slices() - slicesAtFirst) / run, stopDelayMs);
        return;
    }
    const std::string label =
        simulation == "cubic" ? program.n3DPicForm().Label1.Caption() : form.Label1.Caption();
    std::printf("simulation:          %s, size %s, temperature %s\n", simulation.c_str(),
                size.c_str(), form.Temp.Text().c_str());
    std::printf("speed:               %s\n", std::string(speed.caption).c_str());
    std::printf("trials:              %.0f (label %s)\n", trials, label.c_str());
    std::printf("trials per second:   %.3g\n", trials / run);
    std::printf("trials per CPU second: %.4g\n", cpu > 0 ? trials / cpu : 0.0);
    if (form.state.model.cluster) {
        const double flipped = static_cast<double>(form.state.drift.accepted - flippedAtFirst);
        std::printf("sites per second:    %.4g (flipped)\n", flipped / run);
    }
    std::printf("repaints per second: %.1f\n", (counter.paints - paintsAtFirst) / run);
    std::printf("event slices:        %.1f per second\n", (pump.slices() - slicesAtFirst) / run);
    std::printf("stop delay:          %.2f ms\n", stopDelayMs);
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string simulation = argc > 1 ? argv[1] : "square";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
    const std::string size = argc > 3 ? argv[3] : (simulation == "chain" ? "10000" : "60");
    const std::string speedKey = argc > 4 ? argv[4] : "";
    const bool every = speedKey == "all" && simulation != "ant";
    if ((simulation != "square" && simulation != "cubic" && simulation != "chain" &&
         simulation != "ant") ||
        (!speedKey.empty() && !every && spinlab::findSpeed(speedKey) < 0)) {
        std::fprintf(
            stderr,
            "usage: spinlab_window_bench [square|cubic|chain] [seconds] [size] [speed|all] "
            "[temperature] [measurements|largeview|both|wolff|nearest|periodic ...]\n"
            "       spinlab_window_bench ant [steps] [obstacles] [speed]\n"
            "speeds:");
        for (const spinlab::SpeedChoice& choice : spinlab::kSpeedChoices)
            std::fprintf(stderr, " %s", std::string(choice.key).c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    QApplication app(argc, argv);

    spinlab::QtApp qt(spinlab::Rng::fromClock());
    spinlab::Program& program = qt.program;
    spinlab::QtBackend& backend = qt.backend;
    spinlab::QtPump& pump = qt.pump;
    spinlab::Application& application = qt.app;
    const spinlab::PaceTarget target =
        simulation == "ant" ? spinlab::PaceTarget::AntWalk : spinlab::PaceTarget::Simulations;
    if (!speedKey.empty() && !every) {
        program.pace().setSpeed(target, static_cast<std::size_t>(spinlab::findSpeed(speedKey)));
    }
    if (simulation == "ant") {
        return antBench(program, backend, pump, application, argc > 2 ? std::atoll(argv[2]) : 20000,
                        argc > 3 ? std::atoi(argv[3]) : 0);
    }
    spinlab::MainForm& form = program.IsingModel();
    if (argc > 5) form.Temp.setText(argv[5]);
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
    spinlab::ModelOptions& model = form.state.model;
    for (int i = 6; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "measurements" || word == "both") backend.measureTools()->showMeasurements();
        if (word == "largeview" || word == "both") backend.measureTools()->showLargeView();
        if (word == "wolff") model.cluster = true;
        if (word == "nearest") model.coupling = spinlab::Coupling::Nearest;
        if (word == "periodic") model.edges = spinlab::Edges::Periodic;
    }
    backend.syncAll();
    QCoreApplication::processEvents();

    if (!every) {
        simulationRun(simulation, size, seconds, program, pump, window, pictures, false);
        return 0;
    }
    std::printf("simulation: %s, size %s, %.1f s at each speed\n", simulation.c_str(), size.c_str(),
                seconds);
    std::printf("%-28s %12s %10s %10s %8s\n", "speed", "trials/s", "of setting", "slices/s",
                "stop ms");
    for (std::size_t i = 0; i < spinlab::kSpeedChoices.size(); ++i) {
        program.pace().setSpeed(spinlab::PaceTarget::Simulations, i);
        simulationRun(simulation, size, seconds, program, pump, window, pictures, true);
    }
    return 0;
}
