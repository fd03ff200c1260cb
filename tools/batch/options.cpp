#include "batch/options.h"

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/rng.h"

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
    "  --seed S          deterministic run: the same command gives the same run; without it a\n"
    "                    seed is drawn from the clock and reported (the seed field of --json,\n"
    "                    else a line on standard error), so that any run can be repeated\n"
    "  --json            print one JSON object instead of lines of text\n"
    "  --help            show this text\n"
    "\n"
    "Measurements (square, cubic, chain):\n"
    "  --every K --series FILE\n"
    "                    write a CSV row every K trials to FILE (- for standard output, the\n"
    "                    summary then going to standard error): trial,energy,magnetization for\n"
    "                    the lattices (the whole lattice, as defined below), and\n"
    "                    trial,energy,count_1,...,count_9 for the chain\n"
    "  --png FILE        write the final picture as the window shows it (cubic: the three\n"
    "                    views side by side in window order; ant: its picture)\n"
    "  --sweep T1:T2:STEP\n"
    "                    one independent run of --trials trials per temperature T1, T1 + STEP,\n"
    "                    ... up to T2, in parallel, and one CSV row per temperature (to --series,\n"
    "                    default standard output): temp,trials,energy_mean,energy_err,\n"
    "                    abs_m_mean,abs_m_err per site for the lattices, and temp,trials,\n"
    "                    energy_mean,energy_err,frac_1,...,frac_9 per unit for the chain;\n"
    "                    errors are one standard error from 20 batch means. Samples are taken\n"
    "                    every --every trials (default: once per site, a sweep of the lattice)\n"
    "  --burn-in F       sweep: the first share F of each run's trials is left out (default 0.2)\n"
    "  --threads N       sweep: runs at a time (default: one per core); the output is the same\n"
    "                    whatever N is\n"
    "With --seed the series, pictures and sweeps are byte for byte the same on every run.\n"
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
    "With --json both end with seed, the seed the run used (given or drawn).\n"
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

std::uint64_t seedFromClock() {
    // Mixed, so that runs started one after the other get unrelated seeds.
    std::uint64_t z = clockReading() ^ (static_cast<std::uint64_t>(::getpid()) << 40);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return (z ^ (z >> 31)) >> 11;
}

std::vector<double> sweepTemperatures(const std::string& range) {
    double v[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t colon = i < 2 ? range.find(':', start) : range.size();
        const std::string part =
            range.substr(start, colon == std::string::npos ? 0 : colon - start);
        char* end = nullptr;
        v[i] = std::strtod(part.c_str(), &end);
        if (colon == std::string::npos || part.empty() || *end != '\0' || !std::isfinite(v[i])) {
            throw UsageError{"--sweep takes T1:T2:STEP, not \"" + range + "\""};
        }
        start = colon + 1;
    }
    const double span = (v[1] - v[0]) / v[2];
    if (v[2] == 0 || span < -1e-9 || span > 10000) {
        throw UsageError{"--sweep: STEP must lead from T1 to T2 in at most 10001 temperatures"};
    }
    std::vector<double> temps;
    const auto count = static_cast<std::size_t>(std::floor(span + 1e-9)) + 1;
    for (std::size_t i = 0; i < count; ++i)
        temps.push_back(v[0] + static_cast<double>(i) * v[2]);
    return temps;
}

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
        } else if (a == "--every") {
            options.every = wholeNumber(a, value(a), false);
        } else if (a == "--series") {
            options.series = value(a);
            if (options.series.empty()) throw UsageError{"--series needs a file name"};
        } else if (a == "--png") {
            options.png = value(a);
            if (options.png.empty()) throw UsageError{"--png needs a file name"};
        } else if (a == "--sweep") {
            options.sweep = value(a);
            sweepTemperatures(options.sweep);
        } else if (a == "--burn-in") {
            const std::string& text = value(a);
            char* end = nullptr;
            const double f = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !(f >= 0.0 && f < 1.0)) {
                throw UsageError{"--burn-in takes a share from 0 up to (not including) 1, not \"" +
                                 text + "\""};
            }
            options.burnIn = f;
        } else if (a == "--threads") {
            const std::uint64_t t = wholeNumber(a, value(a), false);
            if (t > 256) throw UsageError{"--threads takes 1..256"};
            options.threads = static_cast<unsigned>(t);
        } else if (a.starts_with('-')) {
            throw UsageError{"unknown option " + a};
        } else if (options.simulation.empty()) {
            options.simulation = a;
        } else {
            throw UsageError{"unexpected argument " + a};
        }
    }
    if (options.simulation.empty()) throw UsageError{"no simulation given"};
    const bool measured = options.simulation != "ant";
    if (!measured && (options.every || !options.series.empty() || !options.sweep.empty())) {
        throw UsageError{"the ant has no --every, --series or --sweep"};
    }
    if (options.sweep.empty()) {
        if (options.every && options.series.empty()) throw UsageError{"--every needs --series"};
        if (!options.series.empty() && !options.every) throw UsageError{"--series needs --every"};
    } else if (!options.png.empty()) {
        throw UsageError{"--png does not go with --sweep"};
    }
    if (options.simulation != "square" && options.simulation != "cubic" &&
        options.simulation != "chain" && options.simulation != "ant") {
        throw UsageError{"unknown simulation \"" + options.simulation + "\""};
    }
    return options;
}

}  // namespace spinlab::batch
