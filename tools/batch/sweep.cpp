#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

#include "app/application.h"
#include "batch/runners.h"
#include "measure/model.h"
#include "measure/sampler.h"
#include "measure/stats.h"

namespace spinlab::batch {

namespace {

// What one temperature's run gives: averages per site (per unit for the chain).
struct Point {
    std::string size;  // with --sizes
    std::string temp;
    std::uint64_t trials = 0;
    Estimate energy;
    Estimate absMagnetization;
    Fluctuations fluctuations;
    std::array<double, 9> fractions{};
    std::string failure;
    bool usage = false;  // the failure is the command line's: exit status 1
};

std::uint64_t mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Each temperature's generator derives from the sweep's seed and the temperature's text in its
// row, not from its place in the sweep: a row comes out the same from a whole sweep, from any
// shard of it on another machine, and from whichever thread ran it.
std::uint64_t seedFor(std::uint64_t seed, const std::string& temp) {
    std::uint64_t h = 0xCBF29CE484222325ull;  // FNV-1a
    for (const char c : temp) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001B3ull;
    }
    return mix(seed ^ mix(h + 0x9E3779B97F4A7C15ull));
}

// Samples fall at trials every, 2 every, ...; those at trials first + 1..last count.
std::uint64_t samplesIn(std::uint64_t first, std::uint64_t last, std::uint64_t every) {
    return last / every - std::min(first, last) / every;
}

// Fewer samples than batches would print a mean and an error that were never measured.
void requireSamples(std::uint64_t samples, const std::string& run, std::uint64_t every,
                    std::uint64_t burnIn) {
    if (samples >= kBatchMeans) return;
    throw UsageError{run + ", sampled every " + std::to_string(every) +
                     " trials after a burn-in of " + std::to_string(burnIn) + ", gives " +
                     std::to_string(samples) + (samples == 1 ? " sample" : " samples") +
                     ", and the " + std::to_string(kBatchMeans) + " batch means need at least " +
                     std::to_string(kBatchMeans) +
                     ": raise --trials, or lower --every or --burn-in"};
}

// What this process may hold: the machine's memory, or less under a limit (ulimit -v, -d).
double memoryAvailable() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGE_SIZE);
    double bytes = pages > 0 && page > 0 ? double(pages) * double(page) : HUGE_VAL;
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            bytes = std::min(bytes, double(limit.rlim_cur));
    }
    return bytes;
}

std::string megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MB", std::ceil(bytes / 1e6));
    return text;
}

// A run keeps every sample until it ends (about 96 bytes each for the sweep's twelve series),
// so a request the machine cannot hold is refused before it starts rather than aborting at
// the end with nothing written.
void requireMemory(double runs, std::uint64_t samples, double bytesPerSample,
                   const std::string& what) {
    const double needed = runs * (double(samples) * bytesPerSample + 8e6);
    const double available = memoryAvailable();
    if (needed <= available) return;
    throw UsageError{what + " would hold about " + megabytes(needed) +
                     " of samples, more than the " + megabytes(available) +
                     " this process may use: lower --trials (or --threads), or raise --every"};
}

Point measure(const Model& model, const Options& options) {
    Point point;
    point.temp = options.temp;
    point.trials = options.trials;
    Harness harness(options);
    Program& program = harness.program();
    model.prepare(program, options.size, options.units);
    harness.applyCommonInputs();
    std::uint64_t every = options.every;
    if (every == 0) {
        try {
            // A cluster move changes far more than a flip: each one is sampled.
            every = program.IsingModel().state.model.cluster
                        ? 1
                        : static_cast<std::uint64_t>(std::max(1.0, model.sites(program)));
        } catch (const PlatformError& e) {
            throw RunFailure{describeError(program, e)};
        }
    }
    const auto burnIn = static_cast<std::uint64_t>(options.burnIn * double(options.trials));
    const std::uint64_t samples = samplesIn(burnIn, options.trials, every);
    if (samples < kBatchMeans) {
        // An input the window refuses is named first, as in any run: its set-up fails.
        harness.run(program.IsingModel().Command1, program.IsingModel().Command2, 1);
        requireSamples(samples, "--sweep: a run of " + std::to_string(options.trials) + " trials",
                       every, burnIn);
    }
    std::vector<double> energy, absM, m;
    std::array<std::vector<double>, 9> fractions;
    // These twelve series keep 96 bytes a sample until the run ends.
    requireMemory(options.threads, samples, 96,
                  "--sweep: " + std::to_string(options.threads) +
                      (options.threads == 1 ? " run" : " runs") + " at a time of " +
                      std::to_string(samples) + " samples each");
    double sites = 1;
    Sampler sampler(program, model, [&](std::uint64_t trial, const Observables& o) {
        if (trial <= burnIn) return;
        if (energy.empty()) sites = model.sites(program);
        energy.push_back(o.total() / sites);
        absM.push_back(std::fabs(double(o.magnetization)) / sites);
        m.push_back(double(o.magnetization) / sites);
        for (std::size_t s = 0; s < 9; ++s)
            fractions[s].push_back(double(o.counts[s]) / sites);
    });
    sampler.attach(harness.pump(), every);
    harness.run(program.IsingModel().Command1, program.IsingModel().Command2);
    point.energy = batchMeans(energy);
    point.absMagnetization = batchMeans(absM);
    if (!model.chain && !energy.empty()) {
        point.fluctuations =
            fluctuations(energy, m, sites, program.IsingModel().rule.temperature());
    }
    for (std::size_t s = 0; s < 9; ++s)
        point.fractions[s] = batchMeans(fractions[s]).mean;
    return point;
}

}  // namespace

void runFieldSweep(const Model& model, const Options& options, std::FILE* out) {
    const std::vector<std::string> fields = sweepFields(options.fieldSweep);
    // The run counts its trials through every field; past 2^64 the count would wrap.
    if (options.trials > UINT64_MAX / fields.size()) {
        throw UsageError{"--field-sweep: " + std::to_string(fields.size()) + " fields of " +
                         std::to_string(options.trials) +
                         " trials each are more trials than a run can count (18446744073709551615)"
                         ": lower --trials"};
    }
    std::vector<double> values;
    Harness harness(options);
    Program& program = harness.program();
    model.prepare(program, options.size, options.units);
    harness.applyCommonInputs();
    for (const std::string& f : fields) {
        try {
            values.push_back(fieldFromText(f));
        } catch (const PlatformError& e) {
            throw RunFailure{describeError(program, e)};
        }
    }
    std::uint64_t every = options.every;
    if (every == 0) {
        try {
            every = static_cast<std::uint64_t>(std::max(1.0, model.sites(program)));
        } catch (const PlatformError& e) {
            throw RunFailure{describeError(program, e)};
        }
    }
    // Each field runs options.trials trials; the pump changes it inside the last trial of the
    // one before, so it holds from the next trial on, as a change typed into the window would.
    const std::uint64_t trials = options.trials;
    const auto burnIn = static_cast<std::uint64_t>(options.burnIn * double(trials));
    std::uint64_t fewest = UINT64_MAX;
    for (std::uint64_t k = 0; k < fields.size(); ++k)
        fewest = std::min(fewest, samplesIn(k * trials + burnIn, (k + 1) * trials, every));
    if (fewest < kBatchMeans) {
        harness.run(program.IsingModel().Command1, program.IsingModel().Command2, 1);
        requireSamples(fewest,
                       "--field-sweep: a field's run of " + std::to_string(trials) + " trials",
                       every, burnIn);
    }
    requireMemory(1, fewest * fields.size(), 8,
                  "--field-sweep: " + std::to_string(fields.size()) + " fields of " +
                      std::to_string(fewest) + " samples each");
    std::vector<std::vector<double>> m(fields.size());
    double sites = 1;
    bool counted = false;
    Sampler sampler(program, model, [&](std::uint64_t trial, const Observables& o) {
        const std::uint64_t step = (trial - 1) / trials;
        if (step >= m.size() || (trial - 1) % trials < burnIn) return;
        if (!counted) sites = model.sites(program);
        counted = true;
        m[step].push_back(double(o.magnetization) / sites);
    });
    sampler.attach(harness.pump(), every);
    for (std::size_t k = 1; k < values.size(); ++k) {
        harness.pump().after(
            k * trials, [&program, h = values[k]] { program.IsingModel().state.model.field = h; });
    }
    harness.run(program.IsingModel().Command1, program.IsingModel().Command2,
                trials * values.size());
    std::fputs("field,m_mean,m_err\n", out);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const Estimate e = batchMeans(m[k]);
        std::fprintf(out, "%s,%.9g,%.9g\n", fields[k].c_str(), e.mean, e.error);
    }
}

namespace {

// Runs first..end - 1 of the sweep (run i is size i / temperatures, temperature i % them) and
// writes their rows, after the header when first is 0.
void sweepBlock(const Model& model, const Options& options, std::FILE* out, std::size_t first,
                std::size_t end) {
    const std::vector<std::string> temps = sweepTemperatures(options.sweep);
    // With --sizes, every size runs every temperature; rows go size by size.
    const std::vector<std::string> sizes =
        options.sizes.empty() ? std::vector<std::string>{options.size} : options.sizes;
    const std::size_t runs = sizes.size() * temps.size();
    std::vector<Point> points(end - first);
    unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
    threads = std::max(1u, std::min<unsigned>(threads, static_cast<unsigned>(runs)));

    std::atomic<std::size_t> next{first};
    std::size_t done = first;
    std::mutex progress;
    const bool showProgress = isatty(STDERR_FILENO) != 0;
    auto work = [&] {
        for (std::size_t i = next++; i < end; i = next++) {
            Options o = options;
            o.threads = threads;
            o.size = sizes[i / temps.size()];
            o.temp = temps[i % temps.size()];
            // Without --sizes the seed follows the temperature alone, as sweeps always have.
            if (options.seed) {
                o.seed =
                    seedFor(*options.seed, options.sizes.empty() ? o.temp : o.size + "/" + o.temp);
            }
            try {
                points[i - first] = measure(model, o);
            } catch (const RunFailure& e) {
                points[i - first].failure = e.message;
            } catch (const UsageError& e) {
                points[i - first].failure = e.message;
                points[i - first].usage = true;
            }
            points[i - first].size = o.size;
            if (showProgress) {
                const std::lock_guard<std::mutex> lock(progress);
                ++done;
                const std::size_t width = 30, filled = width * done / runs;
                std::fprintf(stderr, "\r[%s%s] %zu/%zu runs", std::string(filled, '#').c_str(),
                             std::string(width - filled, ' ').c_str(), done, runs);
                if (done == runs) std::fputc('\n', stderr);
            }
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();

    for (const Point& p : points) {
        if (p.usage) throw UsageError{p.failure};
        if (!p.failure.empty()) throw RunFailure{p.failure};
    }
    if (first == 0 && !options.sizes.empty()) std::fputs("size,", out);
    if (first == 0) {
        std::fputs(model.chain ? "temp,trials,energy_mean,energy_err,frac_1,frac_2,frac_3,frac_4,"
                                 "frac_5,frac_6,frac_7,frac_8,frac_9\n"
                               : "temp,trials,energy_mean,energy_err,abs_m_mean,abs_m_err,chi_mean,"
                                 "chi_err,c_mean,c_err,u4_mean,u4_err\n",
                   out);
    }
    for (const Point& p : points) {
        if (!options.sizes.empty()) std::fprintf(out, "%s,", p.size.c_str());
        std::fprintf(out, "%s,%llu,%.9g,%.9g", p.temp.c_str(),
                     static_cast<unsigned long long>(p.trials), p.energy.mean, p.energy.error);
        if (model.chain) {
            for (double f : p.fractions)
                std::fprintf(out, ",%.9g", f);
        } else {
            std::fprintf(out, ",%.9g,%.9g", p.absMagnetization.mean, p.absMagnetization.error);
            for (const Estimate* e : {&p.fluctuations.susceptibility, &p.fluctuations.specificHeat,
                                      &p.fluctuations.binder})
                std::fprintf(out, ",%.9g,%.9g", e->mean, e->error);
        }
        std::fputc('\n', out);
    }
}

}  // namespace

void runSweep(const Model& model, const Options& options, std::FILE* out) {
    const std::size_t runs = (options.sizes.empty() ? 1 : options.sizes.size()) *
                             sweepTemperatures(options.sweep).size();
    // Results are held a block of runs at a time, so a sweep's memory follows the runs in
    // flight, not its number of rows.
    constexpr std::size_t kRunsHeld = 4096;
    for (std::size_t first = 0; first < runs; first += kRunsHeld)
        sweepBlock(model, options, out, first, std::min(runs, first + kRunsHeld));
}

}  // namespace spinlab::batch
