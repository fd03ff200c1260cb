#include "batch/harness.h"

#include <cmath>
#include <cstdio>

#include "app/application.h"
#include "measure/record.h"

namespace spinlab::batch {

void Report::addText(const std::string& key, const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    add(key, out + "\"");
}

void Report::addNumber(const std::string& key, double value) {
    // JSON has no infinity; null says the number is missing instead of passing for one.
    add(key, std::isfinite(value) ? text9(value) : "null");
}

void Report::addInteger(const std::string& key, std::int64_t value) {
    add(key, std::to_string(value));
}

Harness::Harness(const Options& options)
    : options_(options), run_(options.seed ? Rng::seeded(*options.seed) : Rng::fromClock()) {}

void Harness::applyCommonInputs() {
    MainForm& form = main();
    form.Temp.setText(options_.temp);
    // The cluster update sets the buttons aside; they keep the window's initial choice.
    form.Metropolis.setValue(options_.dynamics == "metropolis" || options_.dynamics == "wolff");
    form.Glauber.setValue(options_.dynamics == "glauber");
    ModelOptions& model = form.state.model;
    model.coupling = options_.coupling == "nearest" ? Coupling::Nearest : Coupling::Block;
    model.edges = options_.edges == "periodic" ? Edges::Periodic : Edges::Open;
    model.cluster = options_.dynamics == "wolff";
    form.state.start = findStart(options_.start)->state;
    const std::string field =
        options_.fieldSweep.empty() ? options_.field : sweepFields(options_.fieldSweep).front();
    try {
        model.field = fieldFromText(field);
    } catch (const PlatformError& e) {
        throw RunFailure{describeError(run_.program, e)};
    }
}

void Harness::run(Command& start, Command& stop, std::uint64_t trials) {
    using Clock = std::chrono::steady_clock;
    // The set-up does not pump, so the first DoEvents is the first trial's.
    run_.pump.after(1, [this] { first_ = Clock::now(); });
    run_.pump.after(trials ? trials : options_.trials, [this, &stop] {
        last_ = Clock::now();
        stop.click();
    });
    start.click();
    // A run that ended by itself (the ant at the border) stops the clock as it returns.
    if (last_ < first_) last_ = Clock::now();
    if (!run_.backend.errors.empty()) throw RunFailure{run_.backend.errors.front()};
}

double Harness::seconds() const {
    return std::chrono::duration<double>(last_ - first_).count();
}

void Harness::reportTiming(Report& report, const std::string& simulation) const {
    const double seconds = this->seconds();
    report.addText("simulation", simulation);
    report.addInteger("trials", static_cast<std::int64_t>(options_.trials));
    report.addNumber("seconds", seconds);
    // The clock starts inside the first trial, so it spans trials - 1 trials.
    const double rate = seconds > 0 ? static_cast<double>(options_.trials - 1) / seconds : 0.0;
    report.addNumber("trials_per_second", std::round(rate));
}

}  // namespace spinlab::batch
