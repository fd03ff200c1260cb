// spinlab-batch: runs a simulation without a screen and prints what it ended with.

#include <cstdio>
#include <string>
#include <vector>

#include "batch/options.h"
#include "batch/runners.h"

namespace {

void print(const spinlab::batch::Report& report, bool json) {
    if (json) {
        std::string out = "{";
        for (std::size_t i = 0; i < report.fields.size(); ++i) {
            if (i > 0) out += ", ";
            out += "\"" + report.fields[i].first + "\": " + report.fields[i].second;
        }
        std::printf("%s}\n", out.c_str());
        return;
    }
    for (const auto& [key, value] : report.fields)
        std::printf("%s: %s\n", key.c_str(), value.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    using namespace spinlab::batch;
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        const auto options = parseOptions(args);
        if (!options) {
            std::fputs(kHelpText, stdout);
            return 0;
        }
        Report (*const run)(const Options&) = options->simulation == "cubic"   ? runCubic
                                              : options->simulation == "chain" ? runChain
                                              : options->simulation == "ant"   ? runAnt
                                                                               : runSquare;
        const Report report = run(*options);
        print(report, options->json);
        return 0;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "spinlab-batch: %s (see --help)\n", e.message.c_str());
        return 1;
    } catch (const RunFailure& e) {
        std::fprintf(stderr, "spinlab-batch: %s\n", e.message.c_str());
        return 2;
    }
}
