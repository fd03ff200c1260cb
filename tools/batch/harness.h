#pragma once
// One headless program for one batch run: the windows' handlers and loops on off-screen
// rasters, with the pump scripted to stop inside trial K and to time the loop alone.

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/headlessapp.h"
#include "batch/options.h"

namespace spinlab::batch {

// What a run reports, in order: each value already written as JSON.
struct Report {
    std::vector<std::pair<std::string, std::string>> fields;
    void add(const std::string& key, const std::string& jsonValue) {
        fields.emplace_back(key, jsonValue);
    }
    void addText(const std::string& key, const std::string& text);
    void addNumber(const std::string& key, double value);
    void addInteger(const std::string& key, std::int64_t value);
};

// An input failed inside the program; the message names it. Exit status 2.
struct RunFailure {
    std::string message;
};

// An output file could not be written. Exit status 1.
struct OutputFailure {
    std::string message;
};

class Harness {
public:
    explicit Harness(const Options& options);

    Program& program() { return run_.program; }
    HeadlessPump& pump() { return run_.pump; }
    Application& application() { return run_.app; }
    MainForm& main() { return run_.program.IsingModel(); }
    // Types the common inputs (temperature, dynamics) into the main window.
    void applyCommonInputs();
    // Runs `start` (a click) with the pump set to stop the run inside trial `trials` by
    // clicking `stop`, unless the run ends by itself first; throws RunFailure when the program
    // reported an error.
    // `trials` other than 0 stands for --trials.
    void run(Command& start, Command& stop, std::uint64_t trials = 0);
    // Seconds between the first trial and the last.
    double seconds() const;
    // The loop's own figures: trials, seconds between the first and the last trial.
    void reportTiming(Report& report, const std::string& simulation) const;

private:
    const Options& options_;
    HeadlessApp run_;
    std::chrono::steady_clock::time_point first_{};
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace spinlab::batch
