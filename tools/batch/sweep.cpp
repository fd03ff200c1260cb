#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "app/application.h"
#include "batch/runners.h"
#include "measure/accumulator.h"
#include "measure/model.h"
#include "measure/record.h"
#include "measure/sampler.h"

namespace spinlab::batch {

namespace {

// What one temperature's run gives: averages per site (per bond and per unit for the chain).
struct Point {
    std::string size;  // with --sizes
    std::string temp;
    std::uint64_t trials = 0;
    RunAnalysis analysis;
    double sweeps = 0;  // the work the run holds, in sweeps of the sites
    double sweepsPerSample = 0;
    Verdict verdict;
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
    RunAccumulator run(samples);
    SimState& state = program.IsingModel().state;
    const std::int64_t acceptedBefore = state.drift.accepted;
    std::int64_t acceptedFirst = 0, acceptedLast = 0;
    double sites = 1, bonds = 1;
    Sampler sampler(program, model, [&](std::uint64_t trial, const Observables& o) {
        if (trial <= burnIn) return;
        if (run.samples() == 0) {
            sites = model.sites(program);
            // A chain of n + 1 units has n bonds; one unit alone has none and energy 0.
            bonds = model.chain ? std::max(1.0, sites - 1) : sites;
            acceptedFirst = state.drift.accepted;
        }
        acceptedLast = state.drift.accepted;
        if (model.chain) {
            std::array<double, 9> fractions;
            for (std::size_t s = 0; s < 9; ++s)
                fractions[s] = double(o.counts[s]) / sites;
            run.add(o.total() / bonds, fractions);
        } else {
            run.add(o.total() / sites, double(o.magnetization) / sites);
        }
    });
    sampler.attach(harness.pump(), every);
    harness.run(program.IsingModel().Command1, program.IsingModel().Command2);
    point.analysis =
        analyse(run, sites, model.chain ? 0.0 : program.IsingModel().rule.temperature());
    // Work in sweeps: a chain's trial (a pass) moves one unit, a cluster move the sites it flips.
    if (state.model.cluster && !model.chain) {
        point.sweeps = double(state.drift.accepted - acceptedBefore) / sites;
        point.sweepsPerSample = run.samples() > 1 ? double(acceptedLast - acceptedFirst) / sites /
                                                        double(run.samples() - 1)
                                                  : 0.0;
    } else {
        point.sweeps = double(options.trials) / sites;
        point.sweepsPerSample = double(every) / sites;
    }
    point.verdict = judge(point.analysis, point.sweepsPerSample, true, !model.chain);
    if (!point.verdict.advice.empty() && !model.chain && options.dynamics != "wolff") {
        point.verdict.advice += " or try --dynamics wolff near the critical point";
    }
    return point;
}

void writeRecord(std::FILE* out, const Options& options) {
    std::fputs(runRecord(options).commentLines().c_str(), out);
}

}  // namespace

std::size_t runFieldSweep(const Model& model, const Options& options, std::FILE* out) {
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
    // One field's accumulator at a time: the fields run one after the other.
    struct FieldRow {
        Estimate m;
        Autocorrelation tau;
        Verdict verdict;
    };
    std::vector<FieldRow> rows;
    rows.reserve(fields.size());
    auto expected = [&](std::uint64_t k) {
        return samplesIn(k * trials + burnIn, (k + 1) * trials, every);
    };
    RunAccumulator run(expected(0), true);
    double sites = 1;
    bool counted = false;
    auto close = [&] {
        const RunAnalysis a = analyse(run, sites, 0.0);
        rows.push_back({a.magnetization, a.tauM, judge(a, double(every) / sites, false, true)});
    };
    Sampler sampler(program, model, [&](std::uint64_t trial, const Observables& o) {
        const std::uint64_t step = (trial - 1) / trials;
        if (step >= fields.size() || (trial - 1) % trials < burnIn) return;
        if (!counted) sites = model.sites(program);
        counted = true;
        while (rows.size() < step) {
            close();
            run = RunAccumulator(expected(rows.size()), true);
        }
        run.add(0.0, double(o.magnetization) / sites);
    });
    sampler.attach(harness.pump(), every);
    for (std::size_t k = 1; k < values.size(); ++k) {
        harness.pump().after(
            k * trials, [&program, h = values[k]] { program.IsingModel().state.model.field = h; });
    }
    harness.run(program.IsingModel().Command1, program.IsingModel().Command2,
                trials * values.size());
    while (rows.size() < fields.size()) {
        close();
        run = RunAccumulator(expected(rows.size()), true);
    }
    writeRecord(out, options);
    std::fputs("field,m_mean,m_err,sweeps,tau_m,warning\n", out);
    std::size_t warned = 0;
    const double sweeps = double(trials) / sites;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const FieldRow& r = rows[k];
        std::string line = fields[k];
        for (double v : {r.m.mean, r.m.error, sweeps}) {
            line += ',';
            appendText9(line, v);
        }
        line += ',' + text9(r.tau.tau * double(every) / sites, 3) + ',' + r.verdict.warning + '\n';
        std::fputs(line.c_str(), out);
        if (r.verdict.warning.empty()) continue;
        ++warned;
        std::fprintf(stderr, "spinlab-batch: field %s (row %zu): %s: %s\n", fields[k].c_str(),
                     k + 1, r.verdict.warning.c_str(), r.verdict.advice.c_str());
    }
    return warned;
}

unsigned defaultThreads() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        return static_cast<unsigned>(CPU_COUNT(&allowed));
    // More CPUs than a cpu_set_t holds: the machine's count is the best guess left.
    return std::max(1u, std::thread::hardware_concurrency());
}

namespace {

struct SweepRuns {
    std::vector<std::string> temps;
    std::vector<std::string> sizes;
    std::size_t count() const { return sizes.size() * temps.size(); }
};

SweepRuns sweepRuns(const Options& options) {
    // With --sizes, every size runs every temperature; rows go size by size.
    return {sweepTemperatures(options.sweep),
            options.sizes.empty() ? std::vector<std::string>{options.size} : options.sizes};
}

std::string sweepRow(const Model& model, const Options& options, const Point& p) {
    const RunAnalysis& a = p.analysis;
    std::string line;
    if (!options.sizes.empty()) line += p.size + ",";
    line += p.temp + "," + std::to_string(p.trials);
    auto put = [&line](double v) {
        line += ',';
        appendText9(line, v);
    };
    put(a.energy.mean);
    put(a.energy.error);
    if (model.chain) {
        for (const Estimate& f : a.fractions)
            put(f.mean);
        for (const Estimate& f : a.fractions)
            put(f.error);
    } else {
        put(a.absMagnetization.mean);
        put(a.absMagnetization.error);
        for (const Estimate* e : {&a.fluctuations.susceptibility, &a.fluctuations.specificHeat,
                                  &a.fluctuations.binder}) {
            put(e->mean);
            put(e->error);
        }
    }
    put(p.sweeps);
    line += ',' + text9(a.tauE.tau * p.sweepsPerSample, 3);
    if (!model.chain) line += ',' + text9(a.tauM.tau * p.sweepsPerSample, 3);
    return line + ',' + p.verdict.warning + '\n';
}

}  // namespace

std::string sweepHeader(const Model& model, const Options& options) {
    return runRecord(options).commentLines() + (options.sizes.empty() ? "" : "size,") +
           (model.chain ? "temp,trials,energy_mean,energy_err,frac_1,frac_2,frac_3,frac_4,"
                          "frac_5,frac_6,frac_7,frac_8,frac_9,frac_1_err,frac_2_err,"
                          "frac_3_err,frac_4_err,frac_5_err,frac_6_err,frac_7_err,"
                          "frac_8_err,frac_9_err,sweeps,tau_e,warning\n"
                        : "temp,trials,energy_mean,energy_err,abs_m_mean,abs_m_err,chi_mean,"
                          "chi_err,c_mean,c_err,u4_mean,u4_err,sweeps,tau_e,tau_m,warning\n");
}

std::vector<std::string> sweepRowKeys(const Options& options) {
    const SweepRuns runs = sweepRuns(options);
    std::vector<std::string> keys;
    for (const std::string& size : runs.sizes) {
        for (const std::string& temp : runs.temps)
            keys.push_back((options.sizes.empty() ? std::string() : size + ",")
                               .append(temp)
                               .append(",")
                               .append(std::to_string(options.trials))
                               .append(","));
    }
    return keys;
}

std::size_t runSweep(const Model& model, const Options& options, std::FILE* out,
                     std::size_t first) {
    const SweepRuns sweep = sweepRuns(options);
    const std::size_t runs = sweep.count();
    const std::size_t todo = runs - std::min(first, runs);
    unsigned threads = options.threads ? options.threads : defaultThreads();
    threads = std::max(1u, std::min<unsigned>(threads, static_cast<unsigned>(todo)));

    // Rows go out in order, each as soon as it and every row before it are finished, flushed,
    // so that a sweep stopped part way keeps its finished rows. The record and header go with
    // the first row: a sweep that fails at once writes nothing.
    std::atomic<std::size_t> next{first};
    std::size_t written = first, done = 0, warned = 0;
    // Finished runs wait here until the rows before theirs are written, so a sweep's memory
    // follows the runs in flight, not its number of rows.
    std::map<std::size_t, Point> pending;
    Point failure;
    bool failed = false;
    int writeError = 0;
    std::mutex lock;
    const bool showProgress = isatty(STDERR_FILENO) != 0;
    auto work = [&] {
        for (std::size_t i = next++; i < runs; i = next++) {
            Options o = options;
            o.size = sweep.sizes[i / sweep.temps.size()];
            o.temp = sweep.temps[i % sweep.temps.size()];
            // Without --sizes the seed follows the temperature alone, as sweeps always have.
            if (options.seed) {
                o.seed =
                    seedFor(*options.seed, options.sizes.empty() ? o.temp : o.size + "/" + o.temp);
            }
            Point point;
            try {
                point = measure(model, o);
            } catch (const RunFailure& e) {
                point.failure = e.message;
            } catch (const UsageError& e) {
                point.failure = e.message;
                point.usage = true;
            }
            point.size = o.size;
            const std::lock_guard<std::mutex> guard(lock);
            pending.emplace(i, std::move(point));
            ++done;
            for (auto it = pending.begin(); !failed && it != pending.end() && it->first == written;
                 it = pending.erase(it), ++written) {
                const Point& p = it->second;
                if (!p.failure.empty()) {
                    // The runs not yet begun are not worth waiting for.
                    failure = p;
                    failed = true;
                    next = runs;
                    break;
                }
                errno = 0;
                if (written == 0) std::fputs(sweepHeader(model, options).c_str(), out);
                std::fputs(sweepRow(model, options, p).c_str(), out);
                // A write that fails ends the sweep: its reason is lost to a later flush.
                if ((std::fflush(out) != 0 || std::ferror(out)) && !writeError) {
                    writeError = errno ? errno : EIO;
                    failed = true;
                    next = runs;
                }
                if (p.verdict.warning.empty()) continue;
                ++warned;
                const std::string row =
                    (options.sizes.empty() ? "" : "size " + p.size + " ") + "temp " + p.temp;
                // The warning takes the progress bar's line; the bar comes back below it.
                if (showProgress) std::fprintf(stderr, "\r%50s\r", "");
                std::fprintf(stderr, "spinlab-batch: %s: %s: %s\n", row.c_str(),
                             p.verdict.warning.c_str(), p.verdict.advice.c_str());
            }
            if (showProgress) {
                const std::size_t width = 30, filled = width * done / todo;
                std::fprintf(stderr, "\r[%s%s] %zu/%zu runs", std::string(filled, '#').c_str(),
                             std::string(width - filled, ' ').c_str(), done, todo);
                if (done == todo || failed) std::fputc('\n', stderr);
            }
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();

    if (writeError) {
        const bool standard = options.series.empty() || options.series == "-";
        throw OutputFailure{"cannot write " + (standard ? "standard output" : options.series) +
                            ": " + std::strerror(writeError)};
    }
    if (failure.usage) throw UsageError{failure.failure};
    if (!failure.failure.empty()) throw RunFailure{failure.failure};
    return warned;
}

}  // namespace spinlab::batch
