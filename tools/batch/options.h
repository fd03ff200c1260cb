#pragma once
// Command-line options of spinlab-batch. Inputs that stand for a text box are kept as typed, so
// they go through exactly the conversions (and errors) of the windows.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "measure/record.h"

namespace spinlab::batch {

struct Options {
    std::string simulation;       // square, cubic, chain or ant
    std::string size = "60";      // GridSize as typed
    std::string units = "10";     // Iterations (Number of Chain Units) as typed
    int obstacles = 0;            // the ant window's scroll bar, 0..200
    std::string temp = "2.2619";  // Temp as typed
    std::string dynamics = "metropolis";
    std::uint64_t trials = 1'000'000;
    std::optional<std::uint64_t> seed;
    bool json = false;
    std::uint64_t every = 0;         // sample every K trials (0: no series)
    std::string series;              // CSV file for the samples or the sweep; "-" for stdout
    std::string png;                 // picture file, written after the run
    std::string sweep;               // T1:T2:STEP, one run per temperature
    double burnIn = 0.2;             // sweep: share of each run's trials left out of the averages
    unsigned threads = 0;            // sweep: parallel runs (0: one per CPU it may use)
    bool resume = false;             // sweep: continue FILE.partial, the rows a stop kept
    std::string coupling = "block";  // block or nearest
    std::string edges = "open";      // open or periodic
    std::string start = "random";    // a key of kStartChoices
    std::string field = "0";         // the external field h as typed
    std::string fieldSweep;          // H1:H2:STEP, up and back down in one run
    std::vector<std::string> sizes;  // --sizes: sizes as typed, each swept over the temperatures
    bool version = false;            // --version: print the version, run nothing
    bool strict = false;             // sweeps: a warned row makes the exit status 3

    bool operator==(const Options&) const = default;
};

// The record of what made a run's or a sweep's output: program, version, simulation, every
// model and run option with its value, the seed (which must be set) and a command line that
// repeats it. A sweep's record leaves out the ends of the range, so that every shard of one
// sweep carries the same record; each row repeats alone with --sweep T:T:STEP.
Record runRecord(const Options& options);

// The temperatures of a sweep, T1, T1 + STEP, ... up to T2 inclusive, as the texts their rows
// and runs use. They are computed in decimal, so a temperature has the same text whichever
// sweep reaches it: 3.1 from 2:4:0.1 and from 3.1:4:0.1 alike.
std::vector<std::string> sweepTemperatures(const std::string& range);

// The fields of a field sweep: H1, H1 + STEP, ... up to H2 and back down to H1, as texts.
std::vector<std::string> sweepFields(const std::string& range);

// A number of a sweep's range as typed, exactly: 3.1 is 31 units at scale 1, 2e-3 is 2 at
// scale 3. Plain decimal notation, optionally with an exponent; no spaces, hex or inf.
struct Decimal {
    std::int64_t units = 0;
    int scale = 0;
};
std::optional<Decimal> parseDecimal(std::string_view text);
// d in units of 10^-scale (scale >= d.scale); false when that needs more than 16 digits.
bool rescale(const Decimal& d, int scale, std::int64_t& out);
// The shortest text of units * 10^-scale: 31 at scale 2 is "0.31", 400 at scale 2 is "4".
std::string decimalText(std::int64_t units, int scale);

// Thrown for a malformed command line; the message is shown with a hint to --help.
struct UsageError {
    std::string message;
};

// A seed for a run given no --seed, drawn from the clock. It stays below 2^53 so that every JSON
// reader keeps it exact, and the run can be repeated with --seed.
std::uint64_t seedFromClock();

// Whether a file name stands for standard output: "-", /dev/stdout and the like.
bool isStandardOutput(const std::string& path);

// Parses argv (without the program name). Returns nothing when --help was asked for, and
// options with only version set for --version.
std::optional<Options> parseOptions(const std::vector<std::string>& args);

extern const char kHelpText[];

}  // namespace spinlab::batch
