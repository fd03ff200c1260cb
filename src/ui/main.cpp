// spinlab: Monte Carlo simulations of the Ising model and a polymer chain, painted live.

#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/application.h"
#include "core/rng.h"
#include "ui/qtbackend.h"

namespace {

const char kHelp[] =
    "Usage: spinlab [--help]\n"
    "\n"
    "Opens the main window, \"Ising Model 2D Simulation\". Choose a simulation in its File menu\n"
    "(Ising Model, 3D Simulation, Polymer Chain), type a lattice size and a temperature, pick\n"
    "Metropolis or Glauber dynamics and press Start; Stop ends the run, Ctrl+Q quits.\n"
    "\n"
    "  --help       show this text and exit\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    for (int i = 1; i < argc; ++i) {
        std::fprintf(stderr, "spinlab: unknown option %s (try --help)\n", argv[i]);
        return 2;
    }
    QApplication::setQuitOnLastWindowClosed(false);

    spinlab::Rng rng = spinlab::Rng::fromClock();
    spinlab::QtBackend backend;
    spinlab::QtPump pump(backend, rng);
    spinlab::Program program(backend, pump, rng);
    backend.attach(program);
    spinlab::Application application(program);
    application.start();
    backend.syncAll();
    return QApplication::exec();
}
