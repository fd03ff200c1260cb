// spinlab-batch: runs a simulation without a screen and prints what it ended with.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "batch/harness.h"
#include "batch/options.h"
#include "batch/runners.h"
#include "measure/atomicfile.h"
#include "measure/model.h"
#include "spinlab_version.h"

namespace {

using namespace spinlab;
using namespace spinlab::batch;

void print(std::FILE* out, const Report& report, bool json) {
    if (json) {
        std::string line = "{";
        for (std::size_t i = 0; i < report.fields.size(); ++i) {
            if (i > 0) line += ", ";
            line += "\"" + report.fields[i].first + "\": " + report.fields[i].second;
        }
        std::fprintf(out, "%s}\n", line.c_str());
        return;
    }
    for (const auto& [key, value] : report.fields) {
        std::fprintf(out, "%s: %s\n", key.c_str(), value.c_str());
    }
}

// The CSV destination: standard output for "-", else the named file, which appears only once
// the whole output is written: a run that fails or is cut short leaves no partial file.
class Output {
public:
    explicit Output(const std::string& path) {
        if (path.empty()) return;
        try {
            if (path == "-") {
                file_ = stdout;
            } else {
                atomic_ = std::make_unique<AtomicFile>(path);
                file_ = atomic_->file();
            }
        } catch (const WriteError& e) {
            throw OutputFailure{e.message()};
        }
    }
    std::FILE* file() const { return file_; }
    // A full disk shows up here, not as a silently short file.
    void finish() {
        if (!file_) return;
        file_ = nullptr;
        try {
            if (atomic_) {
                atomic_->commit();
            } else if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
                throw WriteError{"standard output", std::strerror(errno)};
            }
        } catch (const WriteError& e) {
            throw OutputFailure{e.message()};
        }
    }

private:
    std::unique_ptr<AtomicFile> atomic_;
    std::FILE* file_ = nullptr;
};

// Without --seed the run draws one and says so before it starts, so that even a run cut short
// can be repeated exactly.
Options withSeed(Options options) {
    if (options.seed) return options;
    options.seed = seedFromClock();
    if (!options.json || !options.sweep.empty() || !options.fieldSweep.empty()) {
        std::fprintf(stderr, "spinlab-batch: seed %llu (repeat this run with --seed %llu)\n",
                     static_cast<unsigned long long>(*options.seed),
                     static_cast<unsigned long long>(*options.seed));
    }
    return options;
}

void addSeed(Report& report, const Options& options) {
    report.add("seed", std::to_string(*options.seed));
}

int run(const Options& given) {
    const Options options = withSeed(given);
    if (options.simulation == "ant") {
        Report report = runAnt(options);
        addSeed(report, options);
        print(stdout, report, options.json);
        return 0;
    }
    const Model& model = *findModel(options.simulation);
    if (!options.sweep.empty() || !options.fieldSweep.empty()) {
        Output out(options.series.empty() ? "-" : options.series);
        if (options.sweep.empty()) {
            runFieldSweep(model, options, out.file());
        } else {
            runSweep(model, options, out.file());
        }
        out.finish();
        return 0;
    }
    Output series(options.series);
    Report report = runModel(model, options, series.file());
    addSeed(report, options);
    series.finish();
    // With the series on standard output the summary keeps out of its way.
    print(options.series == "-" ? stderr : stdout, report, options.json);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        const auto options = parseOptions(args);
        if (!options) {
            std::fputs(kHelpText, stdout);
            return 0;
        }
        if (options->version) {
            std::printf("spinlab-batch %s\n", spinlab::kVersion);
            return 0;
        }
        return run(*options);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "spinlab-batch: %s (see --help)\n", e.message.c_str());
        return 1;
    } catch (const OutputFailure& e) {
        std::fprintf(stderr, "spinlab-batch: %s\n", e.message.c_str());
        return 1;
    } catch (const RunFailure& e) {
        std::fprintf(stderr, "spinlab-batch: %s\n", e.message.c_str());
        return 2;
    }
}
