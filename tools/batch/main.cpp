// spinlab-batch: runs a simulation without a screen and prints what it ended with.

#include <cstdio>
#include <string>
#include <vector>

#include "batch/model.h"
#include "batch/options.h"
#include "batch/runners.h"
#include "spinlab_version.h"

namespace {

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

// The CSV destination: standard output for "-", else the named file, created afresh.
class Output {
public:
    explicit Output(const std::string& path) : path_(path) {
        if (path.empty()) return;
        file_ = path == "-" ? stdout : std::fopen(path.c_str(), "w");
        if (!file_) throw OutputFailure{"cannot write " + path};
    }
    ~Output() {
        if (file_ && file_ != stdout) std::fclose(file_);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    std::FILE* file() const { return file_; }
    // Flushes and closes; a full disk shows up here, not as a silently short file.
    void finish() {
        if (!file_) return;
        bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
        if (file_ != stdout) ok = std::fclose(file_) == 0 && ok;
        file_ = nullptr;
        if (!ok) throw OutputFailure{"cannot write " + path_};
    }

private:
    std::string path_;
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
