#include "batch/options.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string_view>

#include "core/errors.h"
#include "core/rng.h"
#include "core/runtime.h"
#include "core/simstate.h"
#include "spinlab_version.h"

namespace spinlab::batch {

const char kHelpText[] =
    "Usage: spinlab-batch SIMULATION [options]\n"
    "       spinlab-batch merge [--series FILE] FILE...\n"
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
    "Options (a value after a space or an equals sign, --size 20 or --size=20; texts are read\n"
    "exactly as if typed into the window's boxes; an option that does not apply to the\n"
    "simulation, or to a sweep, and one given twice with two values, are refused):\n"
    "  --size TEXT       square, cubic: Lattice Size N, sites 0..N per side (default 60)\n"
    "  --units TEXT      chain: Number of Chain Units n, units 0..n (default 10)\n"
    "  --obstacles K     ant: the obstacle scroll bar, 0..200 (default 0)\n"
    "  --temp TEXT       square, cubic, chain: Temp (default 2.2619; --sweep sets it); Temp and\n"
    "                    Field both take numbers from -32768 to 32767, and Temp runs every\n"
    "                    number from -0.5 to 0.5 (whole number 0) at T = 1\n"
    "  --dynamics NAME   square, cubic, chain: metropolis, glauber or none (default metropolis);\n"
    "                    for square and cubic also wolff, the cluster update: a trial is then\n"
    "                    one cluster move, each coupled pair of like spins bonded with\n"
    "                    probability 1 - exp(-2/T) (no --field with it)\n"
    "  --trials K        stop inside the K-th trial, so exactly K trials run (default 1000000);\n"
    "                    ant: a cap on the steps, the walk ending at the border or inside its\n"
    "                    K-th step, whichever comes first\n"
    "  --seed S          deterministic run: the same command gives the same run; without it a\n"
    "                    seed is drawn from the clock and reported (the seed field of --json,\n"
    "                    else a line on standard error), so that any run can be repeated\n"
    "  --json            print one JSON object instead of lines of text (not with the sweeps,\n"
    "                    which write CSV)\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "\n"
    "Model (square, cubic):\n"
    "  --coupling NAME   block, every site of the 3 x 3 (3 x 3 x 3) block around a site, or\n"
    "                    nearest, its four (six) nearest neighbours (default block)\n"
    "  --edges NAME      open or periodic, index N + 1 wrapping to 0 (default open)\n"
    "  --start NAME      random, a fresh random spin per site as the windows start (default),\n"
    "                    up, every spin +1, or down, every spin -1\n"
    "  --field TEXT      external field h, read as Temp is, -32768 to 32767 (default 0): a flip\n"
    "                    of spin s with coupled spins summing to S then costs 2 s (S + h)\n"
    "\n"
    "Measurements (square, cubic, chain):\n"
    "  --every K --series FILE\n"
    "                    write a CSV row every K trials (K at most --trials) to FILE (- for\n"
    "                    standard output, the summary then going to standard error):\n"
    "                    trial,energy,magnetization for the lattices (the whole lattice, as\n"
    "                    defined below), and\n"
    "                    trial,energy,count_1,...,count_9 for the chain\n"
    "  --png FILE        write the final picture as the window shows it (cubic: the three\n"
    "                    views side by side in window order; ant: its picture); - for\n"
    "                    standard output, the summary then going to standard error\n"
    "  --sweep T1:T2:STEP\n"
    "                    one independent run of --trials trials per temperature T1, T1 + STEP,\n"
    "                    ... up to T2, in parallel, and one CSV row per temperature (to --series,\n"
    "                    default standard output): temp,trials,energy_mean,energy_err,\n"
    "                    abs_m_mean,abs_m_err per site for the lattices, and temp,trials,\n"
    "                    energy_mean,energy_err (per bond),frac_1,...,frac_9,frac_1_err,...,\n"
    "                    frac_9_err for the chain; errors are one standard error from 20\n"
    "                    batch means. Samples are taken every --every trials (default: once\n"
    "                    per site, a sweep of the lattice; with wolff, every cluster move).\n"
    "                    A sweep that reaches a temperature Temp runs at 1 (from -0.5 to 0.5)\n"
    "                    is refused. T1, T2 and STEP (H1, H2 and STEP of --field-sweep) are\n"
    "                    plain decimals of at most 16 digits at the finest scale typed, each\n"
    "                    value then read as Temp (Field) is.\n"
    "                    The lattices' rows go on with chi_mean,chi_err,c_mean,c_err,u4_mean,\n"
    "                    u4_err: the susceptibility sites (<m^2> - <|m|>^2) / T, the specific\n"
    "                    heat sites (<e^2> - <e>^2) / T^2 and the Binder cumulant\n"
    "                    1 - <m^4> / (3 <m^2>^2), m and e per site, errors from a jackknife\n"
    "                    over 20 batches. Every row ends with sweeps (the work it holds),\n"
    "                    tau_e, tau_m (lattices; autocorrelation times in sweeps) and warning,\n"
    "                    empty unless the batches are under 10 autocorrelation times, the\n"
    "                    binning has not converged or the halves of the run drift apart\n"
    "  --sizes LIST      sweep: every size in LIST (read as --size, comma-separated, such as\n"
    "                    15,31,63) runs every temperature, all in parallel; the rows then start\n"
    "                    with a size column, size by size; each size once\n"
    "  --field-sweep H1:H2:STEP\n"
    "                    square, cubic: one run through the fields H1, H1 + STEP, ... up to H2\n"
    "                    and back down to H1, the lattice kept from one field to the next,\n"
    "                    --trials trials at each, and one CSV row per field in that order (to\n"
    "                    --series, default standard output): field,m_mean,m_err,sweeps,\n"
    "                    tau_m,warning, the magnetisation per site and one standard error\n"
    "                    from 20 batch means, for a hysteresis loop\n"
    "  --burn-in F       sweeps: the first share F of each run's trials (each field's) is left\n"
    "                    out (default 0.2); a run must keep 20 samples, one per batch\n"
    "  --threads N       --sweep: runs at a time (default: one per CPU the process may run on,\n"
    "                    as taskset or a batch scheduler allots them); the output is the same\n"
    "                    whatever N is\n"
    "  --resume          --sweep --series FILE: go on from FILE.partial, the finished rows a\n"
    "                    stopped sweep keeps, if there is one; the file comes out byte for\n"
    "                    byte as from a sweep never stopped. A partial file whose lines are not\n"
    "                    this command's is refused\n"
    "  --strict          sweeps: a warned row is an error (all rows written, exit status 3)\n"
    "With --seed the series, pictures and sweeps are byte for byte the same on every run.\n"
    "CSV files open with \"# key: value\" lines recording the program, version, options, seed\n"
    "and a command that repeats the run (a sweep's: each row alone); --png writes them as\n"
    "PNG text chunks.\n"
    "\n"
    "merge [--series FILE] FILE...\n"
    "                    the CSV files of a sweep's parts (--sweep run in pieces, such as 2:3:0.1\n"
    "                    and 3.1:4:0.1) as the file of the whole sweep, to FILE or standard\n"
    "                    output: their # lines and header once, the rows size by size and\n"
    "                    temperature by temperature. Parts that overlap, leave a gap between\n"
    "                    them (judged by the step: the record's, else the smallest), or come\n"
    "                    from different sweeps are refused, naming them (exit status 2); a\n"
    "                    missing first or last part cannot be told.\n"
    "\n"
    "Output: simulation, trials, seconds and trials_per_second (the loop alone, set-up\n"
    "excluded), label (the trial counter's caption at the end), energy and magnetization of the\n"
    "final lattice over sites 0..N: E = -(sum over pairs of sites in each other's 3 x 3 block of\n"
    "the product of their spins; 3 x 3 x 3 block for cubic), M = the sum of the spins. With\n"
    "the model options the pairs are those the model couples and E = -(that sum) - h M.\n"
    "chain reports instead the energy of the final chain over units 0..n, H = -(sum over\n"
    "neighbouring units i, i + 1 in the same state s of s), and counts, the number of units in\n"
    "each state 1..9.\n"
    "Ant: simulation, obstacles, steps, seconds, steps_per_second, reached_border (false when\n"
    "the cap ended the walk), x and y (the ant's last cell, on the 135 x 143 picture at 15\n"
    "twips per pixel), heading (the start heading: 1 up, 2 right, 3 down, 4 left) and label\n"
    "(the step counter's caption, \"1,234\").\n"
    "Both end with seed, the seed the run used (given or drawn), then version, the model and\n"
    "run options (size or units, temp, dynamics, coupling, edges, field) and command.\n"
    "\n"
    "Stopped by SIGINT, SIGTERM or SIGHUP, a run removes its temporary files, leaves every\n"
    "file it named as it was, and exits with 128 + the signal; a sweep to --series FILE keeps\n"
    "its finished rows in FILE.partial for --resume.\n"
    "\n"
    "Exit status: 0 on success, 1 for a malformed command line or an output that cannot be\n"
    "written (standard output too), 2 when an input fails as it would in the window (not a\n"
    "number, out of range, lattice too large); the message names the input; 3 with --strict\n"
    "when a sweep row was warned; 128 + the signal when stopped.\n";

namespace {

// A whole number from `least` to `most`; the message gives the range, so that a number too
// large for any counter is told apart from one that is not a number at all.
std::uint64_t wholeNumber(const std::string& option, const std::string& text, std::uint64_t least,
                          std::uint64_t most = UINT64_MAX) {
    std::uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::invalid_argument || ptr != text.data() + text.size() || text.empty() ||
        (ec == std::errc() && (value < least || value > most)) ||
        ec == std::errc::result_out_of_range) {
        throw UsageError{option + " takes a whole number from " + std::to_string(least) + " to " +
                         std::to_string(most) + ", not " + quoteInput(text)};
    }
    return value;
}

}  // namespace

namespace {
constexpr std::int64_t kMaxUnits = 9'999'999'999'999'999;  // 16 digits: far from overflow
}  // namespace

std::optional<Decimal> parseDecimal(std::string_view text) {
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::int64_t units = 0;
    int digits = 0, fraction = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            if (units > kMaxUnits / 10) return std::nullopt;
            units = units * 10 + (c - '0');
            ++digits;
            if (point) ++fraction;
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;
    int exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const bool plus = ++i < text.size() && text[i] == '+';  // from_chars takes no plus
        const char* first = text.data() + i + (plus ? 1 : 0);
        const char* last = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(first, last, exponent);
        if (ec != std::errc() || (plus && *first == '-') || std::abs(exponent) > 30)
            return std::nullopt;
        i = static_cast<std::size_t>(ptr - text.data());
    }
    if (i != text.size()) return std::nullopt;
    Decimal d{negative ? -units : units, fraction - exponent};
    for (; d.scale < 0; ++d.scale) {
        if (std::abs(d.units) > kMaxUnits / 10) return std::nullopt;
        d.units *= 10;
    }
    return d;
}

bool rescale(const Decimal& d, int scale, std::int64_t& out) {
    out = d.units;
    for (int s = d.scale; s < scale; ++s) {
        if (std::abs(out) > kMaxUnits / 10) return false;
        out *= 10;
    }
    return true;
}

std::string decimalText(std::int64_t units, int scale) {
    std::string digits = std::to_string(units < 0 ? -units : units);
    if (digits.size() <= static_cast<std::size_t>(scale))
        digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
    std::string text = digits.substr(0, digits.size() - static_cast<std::size_t>(scale));
    std::string fraction = digits.substr(text.size());
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    return units < 0 ? "-" + text : text;
}

std::uint64_t seedFromClock() {
    // Mixed, so that runs started one after the other get unrelated seeds.
    std::uint64_t z = clockReading() ^ (static_cast<std::uint64_t>(::getpid()) << 40);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return (z ^ (z >> 31)) >> 11;
}

namespace {

std::vector<std::string> decimalRange(const std::string& range, const std::string& option,
                                      const std::string& names) {
    const std::string usage = option + " takes " + names + ", not " + quoteInput(range);
    std::array<Decimal, 3> v;
    std::size_t start = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t colon = i < 2 ? range.find(':', start) : range.size();
        if (colon == std::string::npos) throw UsageError{usage};
        const std::string_view part = std::string_view(range).substr(start, colon - start);
        const std::optional<Decimal> d = parseDecimal(part);
        if (!d) throw UsageError{usage};
        v[i] = *d;
        start = colon + 1;
    }
    // Everything at the finest scale typed, so T1 + i * STEP is exact.
    const int scale = std::max({v[0].scale, v[1].scale, v[2].scale});
    std::array<std::int64_t, 3> u{};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!rescale(v[i], scale, u[i])) {
            std::string message = option;
            message += ": " + quoteInput(range) + " needs more than 16 digits";
            throw UsageError{message};
        }
    }
    const auto [t1, t2, step] = u;
    if (step == 0 || (t2 != t1 && (t2 > t1) != (step > 0)) || (t2 - t1) / step > 10000) {
        throw UsageError{option +
                         ": STEP must lead from the first value to the second in at most "
                         "10001 values"};
    }
    std::vector<std::string> temps;
    const std::int64_t count = (t2 - t1) / step + 1;
    for (std::int64_t i = 0; i < count; ++i)
        temps.push_back(decimalText(t1 + i * step, scale));
    return temps;
}

}  // namespace

std::vector<std::string> sweepTemperatures(const std::string& range) {
    return decimalRange(range, "--sweep", "T1:T2:STEP");
}

std::vector<std::string> sweepFields(const std::string& range) {
    std::vector<std::string> fields = decimalRange(range, "--field-sweep", "H1:H2:STEP");
    for (std::size_t i = fields.size() - 1; i-- > 0;)
        fields.push_back(fields[i]);
    return fields;
}

namespace {

// Whether two file names reach one file: "x", "./x" and a link to x alike.
bool samePath(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ea, eb;
    const fs::path pa = fs::weakly_canonical(fs::absolute(a, ea), ea);
    const fs::path pb = fs::weakly_canonical(fs::absolute(b, eb), eb);
    return a == b || (!ea && !eb && pa == pb);
}

// The simulations an option is for; an option not listed applies to all four.
struct Scope {
    std::string_view option;
    std::vector<std::string_view> simulations;
};

const std::vector<Scope>& scopes() {
    static const std::vector<Scope> table = [] {
        const std::vector<std::string_view> lattices = {"square", "cubic"};
        const std::vector<std::string_view> measured = {"square", "cubic", "chain"};
        return std::vector<Scope>{
            {"--size", lattices},        {"--units", {"chain"}},   {"--obstacles", {"ant"}},
            {"--temp", measured},        {"--dynamics", measured}, {"--every", measured},
            {"--series", measured},      {"--sweep", measured},    {"--burn-in", measured},
            {"--threads", measured},     {"--strict", measured},   {"--resume", measured},
            {"--coupling", lattices},    {"--edges", lattices},    {"--field", lattices},
            {"--field-sweep", lattices}, {"--sizes", lattices},    {"--start", lattices},
        };
    }();
    return table;
}

// "chain", "square and cubic", "square, cubic and chain".
std::string wordList(const std::vector<std::string_view>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? " and " : ", ";
        text += words[i];
    }
    return text;
}

// An option given that the run has no use for is refused, so that a typing slip never passes
// for a setting that was used.
void checkScopes(const Options& o, const std::vector<std::string>& given) {
    auto has = [&](std::string_view option) {
        return std::find(given.begin(), given.end(), option) != given.end();
    };
    for (const std::string& option : given) {
        for (const Scope& scope : scopes()) {
            if (scope.option != option) continue;
            if (std::find(scope.simulations.begin(), scope.simulations.end(), o.simulation) ==
                scope.simulations.end()) {
                throw UsageError{option + " does not apply to " + o.simulation + ", only to " +
                                 wordList(scope.simulations)};
            }
        }
    }
    const bool sweep = has("--sweep"), fieldSweep = has("--field-sweep");
    const char* kind = sweep ? "--sweep" : "--field-sweep";
    if (sweep && fieldSweep) throw UsageError{"--field-sweep does not apply to --sweep"};
    if ((sweep || fieldSweep) && has("--json")) {
        throw UsageError{std::string("--json does not apply to ") + kind + ", which writes CSV"};
    }
    if ((sweep || fieldSweep) && has("--png")) {
        throw UsageError{std::string("--png does not apply to ") + kind};
    }
    if (sweep && has("--temp")) {
        throw UsageError{"--temp does not apply to --sweep, which sets the temperature"};
    }
    if (fieldSweep && has("--field")) {
        throw UsageError{"--field does not apply to --field-sweep, which sets the field"};
    }
    if (!sweep && !fieldSweep) {
        if (has("--burn-in"))
            throw UsageError{"--burn-in applies only to --sweep and --field-sweep"};
        if (has("--every") && !has("--series")) throw UsageError{"--every needs --series"};
        if (has("--series") && !has("--every")) throw UsageError{"--series needs --every"};
    }
    if (!sweep && has("--threads")) throw UsageError{"--threads applies only to --sweep"};
    if (!sweep && !fieldSweep && has("--strict"))
        throw UsageError{"--strict applies only to --sweep and --field-sweep"};
    if (!sweep && has("--sizes")) throw UsageError{"--sizes applies only to --sweep"};
    if (!sweep && has("--resume")) throw UsageError{"--resume applies only to --sweep"};
    if (has("--resume") && (o.series.empty() || isStandardOutput(o.series)))
        throw UsageError{"--resume needs --series FILE, the file the sweep goes on writing"};
    // A drawn seed would make the rows still to come another sweep's.
    if (has("--resume") && !o.seed)
        throw UsageError{"--resume needs --seed, the seed of the sweep it goes on with"};
    if (has("--sizes") && has("--size"))
        throw UsageError{"--size does not apply to --sizes, which sets the sizes"};
    if (!sweep && !fieldSweep && o.every > o.trials) {
        throw UsageError{"--every " + std::to_string(o.every) + " is more than --trials " +
                         std::to_string(o.trials) + ": the series would hold no row"};
    }
    // Temp reads a text whose whole number is 0 as T = 1 (the windows do the same), so such a
    // row would carry a temperature its run did not use.
    if (sweep) {
        for (const std::string& t : sweepTemperatures(o.sweep)) {
            if (readCInt(t).value == 0) {
                throw UsageError{"--sweep reaches T = " + t +
                                 ", which Temp runs at T = 1 (every temperature from -0.5 to 0.5 "
                                 "rounds to 0 and means 1): sweep above 0.5 or below -0.5"};
            }
        }
    }
}

}  // namespace

Record runRecord(const Options& o) {
    Record r;
    std::string command = "spinlab-batch " + o.simulation;
    auto option = [&](const std::string& name, const std::string& value) {
        r.add(name.substr(2), value);
        command += " " + name + " " + shellWord(value);
    };
    r.add("program", "spinlab-batch");
    r.add("version", kVersion);
    r.add("simulation", o.simulation);
    const bool lattice = o.simulation == "square" || o.simulation == "cubic";
    const bool sweep = !o.sweep.empty();
    if (o.simulation == "ant") {
        option("--obstacles", std::to_string(o.obstacles));
    } else if (o.simulation == "chain") {
        option("--units", o.units);
    } else if (!o.sizes.empty()) {
        std::string list;
        for (const std::string& size : o.sizes)
            list += (list.empty() ? "" : ",") + size;
        option("--sizes", list);
    } else {
        option("--size", o.size);
    }
    if (lattice) {
        option("--coupling", o.coupling);
        option("--edges", o.edges);
        if (o.fieldSweep.empty()) option("--field", o.field);
        option("--start", o.start);
    }
    if (o.simulation != "ant") {
        if (!sweep) option("--temp", o.temp);
        option("--dynamics", o.dynamics);
    }
    option("--trials", std::to_string(o.trials));
    if (o.every) option("--every", std::to_string(o.every));
    if (sweep || !o.fieldSweep.empty()) {
        if (!o.every)
            r.add(
                "every",
                "once per sweep, as many trials as sites or units (each cluster move with wolff)");
        option("--burn-in", shortestText(o.burnIn));
    }
    option("--seed", o.seed ? std::to_string(*o.seed) : std::string("none"));
    if (!o.fieldSweep.empty()) option("--field-sweep", o.fieldSweep);
    if (sweep) {
        // Each row is seeded from its own temperature (and size), never from the ends.
        const std::string step = o.sweep.substr(o.sweep.rfind(':') + 1);
        r.add("sweep-step", step);
        r.add("rows", o.sizes.empty()
                          ? "each row repeats alone with --sweep T:T:" + step + " and T its temp"
                          : "each row repeats alone with --sizes S --sweep T:T:" + step +
                                " and S and T its size and temp");
        command += " --sweep T:T:" + shellWord(step);
    }
    if (o.strict) command += " --strict";
    if (!sweep && o.fieldSweep.empty()) {
        if (!o.series.empty()) command += " --series " + shellWord(o.series);
        if (!o.png.empty()) command += " --png " + shellWord(o.png);
        if (o.json) command += " --json";
    }
    r.add("command", command);
    return r;
}

namespace {

// --sizes as typed, each size once: "4" and "4.0" are one lattice, and a row twice over would
// pass for a second measurement.
std::vector<std::string> sizeList(const std::string& list) {
    std::vector<std::string> sizes;
    std::map<std::string, std::string> seen;  // a size's value (or text) and its first text
    std::size_t from = 0;
    while (true) {
        const std::size_t comma = list.find(',', from);
        const std::string size = list.substr(from, comma - from);
        if (size.empty()) {
            throw UsageError{"--sizes takes sizes separated by commas, such as 15,31,63, not " +
                             quoteInput(list)};
        }
        // A text CInt cannot read is kept by its text; its run names it.
        const CIntReading n = readCInt(size);
        const std::string key = n.value ? std::to_string(*n.value) : "text " + size;
        if (const auto [at, fresh] = seen.emplace(key, size); !fresh) {
            throw UsageError{"--sizes names the size " + quoteInput(at->second) +
                             (at->second == size ? " twice" : " twice, as " + quoteInput(size)) +
                             ": each size once"};
        }
        sizes.push_back(size);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return sizes;
}

}  // namespace

bool isStandardOutput(const std::string& path) {
    return path == "-" || path == "/dev/stdout" || path == "/dev/fd/1" || path == "/proc/self/fd/1";
}

std::optional<Options> parseOptions(const std::vector<std::string>& args) {
    Options options;
    std::size_t i = 0;
    std::optional<std::string> inlineValue;                  // the VALUE of "--option=VALUE"
    std::vector<std::pair<std::string, std::string>> typed;  // each option's first value
    auto value = [&](const std::string& option) -> const std::string& {
        if (!inlineValue) {
            if (i + 1 >= args.size()) throw UsageError{option + " needs a value"};
            inlineValue = args[++i];
        }
        // The same option twice is refused unless it says the same: which one counts would be
        // a guess.
        for (const auto& [name, first] : typed) {
            if (name == option && first != *inlineValue) {
                throw UsageError{option + " is given twice, as " + quoteInput(first) + " and " +
                                 quoteInput(*inlineValue)};
            }
        }
        typed.emplace_back(option, *inlineValue);
        return *inlineValue;
    };
    std::vector<std::string> given;  // the options typed, each once, in order
    for (; i < args.size(); ++i) {
        std::string a = args[i];
        inlineValue.reset();
        if (const std::size_t equals = a.find('='); a.starts_with("--") && equals != a.npos) {
            inlineValue = a.substr(equals + 1);
            a.resize(equals);
            // Every other option reads its value as it would after a space.
            if (a == "--json" || a == "--strict" || a == "--resume" || a == "--help" ||
                a == "--version")
                throw UsageError{a + " takes no value"};
        }
        if (a == "--help" || a == "-h") return std::nullopt;
        if (a.starts_with("--") && std::find(given.begin(), given.end(), a) == given.end())
            given.push_back(a);
        if (a == "--version") {
            Options version;
            version.version = true;
            return version;
        }
        if (a == "--size") {
            options.size = value(a);
        } else if (a == "--units") {
            options.units = value(a);
        } else if (a == "--obstacles") {
            options.obstacles = static_cast<int>(wholeNumber(a, value(a), 0, 200));
        } else if (a == "--temp") {
            options.temp = value(a);
        } else if (a == "--dynamics") {
            options.dynamics = value(a);
            if (options.dynamics != "metropolis" && options.dynamics != "glauber" &&
                options.dynamics != "none" && options.dynamics != "wolff") {
                throw UsageError{"--dynamics is metropolis, glauber, wolff or none, not " +
                                 quoteInput(options.dynamics)};
            }
        } else if (a == "--trials") {
            options.trials = wholeNumber(a, value(a), 1);
        } else if (a == "--seed") {
            options.seed = wholeNumber(a, value(a), 0);
        } else if (a == "--json") {
            options.json = true;
        } else if (a == "--strict") {
            options.strict = true;
        } else if (a == "--every") {
            options.every = wholeNumber(a, value(a), 1);
        } else if (a == "--series") {
            options.series = value(a);
            if (options.series.empty()) throw UsageError{"--series needs a file name"};
        } else if (a == "--png") {
            options.png = value(a);
            if (options.png.empty()) throw UsageError{"--png needs a file name"};
        } else if (a == "--sweep") {
            options.sweep = value(a);
            sweepTemperatures(options.sweep);
        } else if (a == "--coupling") {
            options.coupling = value(a);
            if (options.coupling != "block" && options.coupling != "nearest") {
                throw UsageError{"--coupling is block or nearest, not " +
                                 quoteInput(options.coupling)};
            }
        } else if (a == "--edges") {
            options.edges = value(a);
            if (options.edges != "open" && options.edges != "periodic") {
                throw UsageError{"--edges is open or periodic, not " + quoteInput(options.edges)};
            }
        } else if (a == "--start") {
            options.start = value(a);
            if (findStart(options.start) == nullptr) {
                std::string names;
                for (const StartChoice& c : kStartChoices)
                    names += (names.empty()                 ? ""
                              : c.state == StartState::Down ? " or "
                                                            : ", ") +
                             std::string(c.key);
                throw UsageError{"--start is " + names + ", not " + quoteInput(options.start)};
            }
        } else if (a == "--sizes") {
            options.sizes = sizeList(value(a));
        } else if (a == "--field") {
            options.field = value(a);
        } else if (a == "--field-sweep") {
            options.fieldSweep = value(a);
            sweepFields(options.fieldSweep);
        } else if (a == "--burn-in") {
            const std::string& text = value(a);
            char* end = nullptr;
            const double f = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !(f >= 0.0 && f < 1.0)) {
                throw UsageError{"--burn-in takes a share from 0 up to (not including) 1, not " +
                                 quoteInput(text)};
            }
            options.burnIn = f;
        } else if (a == "--resume") {
            options.resume = true;
        } else if (a == "--threads") {
            options.threads = static_cast<unsigned>(wholeNumber(a, value(a), 1, 256));
        } else if (a.starts_with('-')) {
            throw UsageError{"unknown option " + quoteInput(a)};
        } else if (options.simulation.empty()) {
            options.simulation = a;
        } else {
            throw UsageError{"unexpected argument " + quoteInput(a)};
        }
    }
    if (options.simulation.empty()) throw UsageError{"no simulation given"};
    if (options.simulation != "square" && options.simulation != "cubic" &&
        options.simulation != "chain" && options.simulation != "ant") {
        throw UsageError{"unknown simulation " + quoteInput(options.simulation)};
    }
    checkScopes(options, given);
    if (options.dynamics == "wolff") {
        if (options.simulation != "square" && options.simulation != "cubic")
            throw UsageError{"--dynamics wolff does not apply to " + options.simulation +
                             ", only to square and cubic"};
        // A field text that is no number is the run's own error, reported as Temp's are.
        bool field = !options.fieldSweep.empty();
        try {
            field = field || fieldFromText(options.field) != 0;
        } catch (const PlatformError&) {
        }
        if (field) {
            throw UsageError{
                "--dynamics wolff works without a field: leave out --field and "
                "--field-sweep"};
        }
    }
    // Two outputs on one file would leave one of them, or a mixture, under its name.
    if (isStandardOutput(options.series) && isStandardOutput(options.png)) {
        throw UsageError{"--series and --png both name standard output, " +
                         quoteInput(options.series) + " and " + quoteInput(options.png)};
    }
    if (!options.series.empty() && options.series != "-" && !options.png.empty() &&
        samePath(options.series, options.png)) {
        throw UsageError{"--series and --png name the same file, " + quoteInput(options.png)};
    }
    return options;
}

}  // namespace spinlab::batch
