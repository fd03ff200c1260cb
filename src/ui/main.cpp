// spinlab: Monte Carlo simulations of the Ising model and a polymer chain, painted live, and
// Langton's ant in a window of its own.

#include <QApplication>
#include <QElapsedTimer>
#include <QRect>
#include <QWindow>
#include <cstdio>
#include <cstring>

#include "spinlab_version.h"
#include "ui/formwindow.h"
#include "ui/qtapp.h"

namespace {

const char kHelp[] =
    "Usage: spinlab [--ant-walk] [--help] [--version]\n"
    "\n"
    "Opens the main window, \"Ising Model 2D Simulation\". Choose a simulation in its File menu\n"
    "(Ising Model, 3D Simulation, Polymer Chain), type a lattice size and a temperature, pick\n"
    "Metropolis or Glauber dynamics and press Start; Stop ends the run, Ctrl+Q quits. The Run\n"
    "menu sets the speed of the simulations and of the ant walk, pauses (Ctrl+P) and steps a\n"
    "paused run by one trial (Ctrl+T) or one sweep (Ctrl+Shift+T). It also opens Measurements\n"
    "(Ctrl+M: live plots and values of the run) and the Large View (Ctrl+L: every site of the\n"
    "lattice, any section of the cube, the chain as a strip), and saves the picture (Ctrl+S,\n"
    "PNG) or the run's series (Ctrl+Shift+S, CSV), and opens the Lab (Ctrl+K: temperature and\n"
    "field sliders, heating and cooling schedules, start states, drawing spins, live averages).\n"
    "\n"
    "  --ant-walk   also open the ant-walk window, \"Form1\", beside the main window: set the\n"
    "               number of obstacles with the scroll bar in its picture and press Start to\n"
    "               walk Langton's ant from the middle until it reaches the border; Stop halts\n"
    "               the walk and brings up the main window, End ends the program\n"
    "  --help       show this text and exit\n"
    "  --version    show the version and exit\n";

// Qt's own options (QGuiApplication and QApplication take them out of argv): the ones that are
// followed by a value, and the ones that stand alone.
bool isQtOption(const char* arg, bool& takesValue) {
    static const char* const kWithValue[] = {
        "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
        "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
        "style",       "stylesheet",         "title",         "name"};
    static const char* const kAlone[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    if (arg[0] != '-') return false;
    const char* name = arg[1] == '-' ? arg + 2 : arg + 1;
    const char* equals = std::strchr(name, '=');
    const std::size_t length = equals ? std::size_t(equals - name) : std::strlen(name);
    auto is = [&](const char* option) {
        return std::strlen(option) == length && std::strncmp(name, option, length) == 0;
    };
    for (const char* option : kWithValue) {
        if (is(option)) {
            takesValue = equals == nullptr;
            return true;
        }
    }
    for (const char* option : kAlone) {
        if (is(option) && equals == nullptr) {
            takesValue = false;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered, and unknown options refused, before QApplication exists: none of it needs a
    // display.
    bool antWalk = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("spinlab %s\n", spinlab::kVersion);
            return 0;
        }
        if (std::strcmp(argv[i], "--ant-walk") == 0) {
            antWalk = true;
            continue;
        }
        bool takesValue = false;
        if (isQtOption(argv[i], takesValue)) {
            if (takesValue) ++i;
            continue;
        }
        std::fprintf(stderr, "spinlab: unknown option %s (try --help)\n", argv[i]);
        return 2;
    }
    QApplication app(argc, argv);
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("spinlab"));
    QApplication::setQuitOnLastWindowClosed(false);

    spinlab::QtApp qt(spinlab::Rng::fromClock());
    spinlab::Program& program = qt.program;
    spinlab::QtBackend& backend = qt.backend;
    if (antWalk) {
        // Beside the main window, so the walk and the simulations can be watched together: once
        // the window manager has placed the main window and framed it (within a second).
        QWidget* main = backend.windowFor(program.IsingModel());
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 1000 &&
               !(main->windowHandle() && main->windowHandle()->isExposed() &&
                 main->frameGeometry() != main->geometry())) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        spinlab::AntForm& ant = program.Form1();
        spinlab::placeBesideMain(*backend.windowFor(ant));
        ant.window.Show();
        backend.syncAll();
    }
    return QApplication::exec();
}
