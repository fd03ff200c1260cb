#include "batch/options.h"

#include <charconv>

namespace spinlab::batch {

const char kHelpText[] =
    "Usage: spinlab-batch SIMULATION [options]\n"
    "\n"
    "Runs a simulation without a screen, through the same set-up and loop as the windows, and\n"
    "prints what it ended with.\n"
    "\n"
    "Simulations:\n"
    "  square            the Ising model on the square lattice (the main window's picture)\n"
    "  cubic             the Ising model on the cubic lattice (the 3D view window)\n"
    "  chain             the polymer chain (the polymer window)\n"
    "  ant               the ant walk, run to its end on the ant window's picture\n"
    "\n"
    "Options (texts are read exactly as if typed into the window's boxes):\n"
    "  --size TEXT       Lattice Size N, sites 0..N per side (default 60)\n"
    "  --units TEXT      chain: Number of Chain Units n, units 0..n (default 10)\n"
    "  --obstacles K     ant: the obstacle scroll bar, 0..200 (default 0)\n"
    "  --temp TEXT       Temp (default 2.2619)\n"
    "  --dynamics NAME   metropolis, glauber or none (default metropolis)\n"
    "  --trials K        stop inside the K-th trial, so exactly K trials run (default 1000000);\n"
    "                    ant: a cap on the steps, the walk ending at the border or inside its\n"
    "                    K-th step, whichever comes first\n"
    "  --seed S          deterministic run: the same command gives the same run; without it the\n"
    "                    generator follows the clock\n"
    "  --json            print one JSON object instead of lines of text\n"
    "  --help            show this text\n"
    "\n"
    "Output: simulation, trials, seconds and trials_per_second (the loop alone, set-up\n"
    "excluded), label (the trial counter's caption at the end), energy and magnetization of the\n"
    "final lattice over sites 0..N: E = -(sum over pairs of sites in each other's 3 x 3 block of\n"
    "the product of their spins; 3 x 3 x 3 block for cubic), M = the sum of the spins.\n"
    "chain reports instead the energy of the final chain over units 0..n, H = -(sum over\n"
    "neighbouring units i, i + 1 in the same state s of s), and counts, the number of units in\n"
    "each state 1..9.\n"
    "Ant: simulation, obstacles, steps, seconds, steps_per_second, reached_border (false when\n"
    "the cap ended the walk), x and y (the ant's last cell, on the 135 x 143 picture at 15\n"
    "twips per pixel), heading (the start heading: 1 up, 2 right, 3 down, 4 left) and label\n"
    "(the step counter's caption, \"1,234\").\n"
    "\n"
    "Exit status: 0 on success, 1 for a malformed command line, 2 when an input fails as it\n"
    "would in the window (not a number, out of range, lattice too large); the message names\n"
    "the input.\n";

namespace {

std::uint64_t wholeNumber(const std::string& option, const std::string& text, bool allowZero) {
    std::uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty() ||
        (!allowZero && value == 0)) {
        throw UsageError{option + " takes a whole number" + (allowZero ? "" : " of at least 1") +
                         ", not \"" + text + "\""};
    }
    return value;
}

}  // namespace

std::optional<Options> parseOptions(const std::vector<std::string>& args) {
    Options options;
    std::size_t i = 0;
    auto value = [&](const std::string& option) -> const std::string& {
        if (i + 1 >= args.size()) throw UsageError{option + " needs a value"};
        return args[++i];
    };
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") return std::nullopt;
        if (a == "--size") {
            options.size = value(a);
        } else if (a == "--units") {
            options.units = value(a);
        } else if (a == "--obstacles") {
            const std::uint64_t k = wholeNumber(a, value(a), true);
            if (k > 200) throw UsageError{"--obstacles takes 0..200"};
            options.obstacles = static_cast<int>(k);
        } else if (a == "--temp") {
            options.temp = value(a);
        } else if (a == "--dynamics") {
            options.dynamics = value(a);
            if (options.dynamics != "metropolis" && options.dynamics != "glauber" &&
                options.dynamics != "none") {
                throw UsageError{"--dynamics is metropolis, glauber or none, not \"" +
                                 options.dynamics + "\""};
            }
        } else if (a == "--trials") {
            options.trials = wholeNumber(a, value(a), false);
        } else if (a == "--seed") {
            options.seed = wholeNumber(a, value(a), true);
        } else if (a == "--json") {
            options.json = true;
        } else if (a.rfind("-", 0) == 0) {
            throw UsageError{"unknown option " + a};
        } else if (options.simulation.empty()) {
            options.simulation = a;
        } else {
            throw UsageError{"unexpected argument " + a};
        }
    }
    if (options.simulation.empty()) throw UsageError{"no simulation given"};
    if (options.simulation != "square" && options.simulation != "cubic" &&
        options.simulation != "chain" && options.simulation != "ant") {
        throw UsageError{"unknown simulation \"" + options.simulation + "\""};
    }
    return options;
}

}  // namespace spinlab::batch
