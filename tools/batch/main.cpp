// spinlab-batch: runs a simulation without a screen and prints what it ended with.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "batch/harness.h"
#include "batch/merge.h"
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

// Flushes standard output; the errno of a write that failed now or earlier, else 0. A failed
// write leaves its bytes in the buffer, so flushing again gives its reason.
int flushStandardOutput() {
    const bool failedBefore = std::ferror(stdout) != 0;
    std::clearerr(stdout);
    errno = 0;
    if (std::fflush(stdout) != 0 || failedBefore) return errno ? errno : EIO;
    return 0;
}

// A closed standard output or error would be taken by the next file opened, and the report
// written into the series; a descriptor open for reading only holds the place and refuses
// every write, which is then reported.
void holdStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int held = ::open("/dev/null", O_RDONLY);
            if (held >= 0 && held != fd) {
                ::dup2(held, fd);
                ::close(held);
            }
        }
    }
}

// An output file: standard output for "-", else the named file, which appears only once the
// whole run has succeeded: a run that fails or is cut short leaves the file as it was.
class Output {
public:
    // `standard`: "-" stands for standard output.
    explicit Output(const std::string& path, bool standard = true) {
        if (path.empty()) return;
        try {
            if (standard && path == "-") {
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
    AtomicFile* atomic() const { return atomic_.get(); }
    // A full disk shows up here, not as a silently short file.
    void finish() {
        if (!file_) return;
        file_ = nullptr;
        try {
            if (atomic_) {
                atomic_->finish();
            } else if (const int error = flushStandardOutput()) {
                throw WriteError{"standard output", std::strerror(error)};
            }
        } catch (const WriteError& e) {
            throw OutputFailure{e.message()};
        }
    }
    void commit() {
        finish();
        try {
            if (atomic_) atomic_->commit();
        } catch (const WriteError& e) {
            throw OutputFailure{e.message()};
        }
    }

private:
    std::unique_ptr<AtomicFile> atomic_;
    std::FILE* file_ = nullptr;
};

// Every file is written in full before any is renamed into place, so a failure leaves all as
// they were.
void commitAll(Output& first, Output& second) {
    first.finish();
    second.finish();
    first.commit();
    second.commit();
}

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
    std::FILE* summary =
        isStandardOutput(options.series) || isStandardOutput(options.png) ? stderr : stdout;
    // Both files are opened before the run, so a folder that is missing shows at once.
    Output series(options.series.empty() && (!options.sweep.empty() || !options.fieldSweep.empty())
                      ? "-"
                      : options.series);
    // The picture is written whole, so "-" goes through its place in /dev.
    Output picture(options.png == "-" ? "/dev/stdout" : options.png, false);
    if (options.simulation == "ant") {
        Report report = runAnt(options, picture.atomic());
        addSeed(report, options);
        commitAll(series, picture);
        print(summary, report, options.json);
        return 0;
    }
    const Model& model = *findModel(options.simulation);
    if (!options.sweep.empty()) {
        runSweep(model, options, series.file());
    } else if (!options.fieldSweep.empty()) {
        runFieldSweep(model, options, series.file());
    } else {
        Report report = runModel(model, options, series.file(), picture.atomic());
        addSeed(report, options);
        commitAll(series, picture);
        // With the series or the picture on standard output the summary keeps out of its way.
        print(summary, report, options.json);
        return 0;
    }
    commitAll(series, picture);
    return 0;
}

}  // namespace

namespace {

// spinlab-batch merge [--series FILE] FILE...: the shards' rows as the whole sweep's file.
int merge(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    std::string target = "-";
    bool named = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kHelpText, stdout);
            return 0;
        }
        if (a == "--series" || a.starts_with("--series=")) {
            if (named) throw UsageError{"merge: --series is given twice"};
            named = true;
            if (a != "--series") {
                target = a.substr(9);
            } else if (++i < args.size()) {
                target = args[i];
            } else {
                throw UsageError{"--series needs a value"};
            }
            if (target.empty()) throw UsageError{"--series needs a file name"};
        } else if (a.starts_with('-') && a != "-") {
            throw UsageError{"merge: unknown option " + quoteInput(a) + ", only --series FILE"};
        } else {
            files.push_back(a);
        }
    }
    Output output(target);
    mergeShards(files, output.file());
    output.commit();
    return 0;
}

int runCommandLine(const std::vector<std::string>& args) {
    try {
        if (!args.empty() && args.front() == "merge") return merge(args);
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

}  // namespace

int main(int argc, char** argv) {
    holdStandardDescriptors();
    // A buffer that holds the whole help or report keeps a failed write's bytes, and so its
    // reason, for the last flush.
    static char buffer[1 << 16];
    if (!::isatty(STDOUT_FILENO)) std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    const int status = runCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    // A report that never reached its reader is a failure; a run that failed has said why.
    const int error = flushStandardOutput();
    if (error && status == 0) {
        std::fprintf(stderr, "spinlab-batch: cannot write standard output: %s\n",
                     std::strerror(error));
        return 1;
    }
    return status;
}
