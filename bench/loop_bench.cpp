// Throughput of the simulation loops on the headless backend, single thread, through the same
// Start handler the window uses (set-up excluded from the timing).

#include <benchmark/benchmark.h>

#include <chrono>

#include "app/headlessapp.h"
#include "batch/runners.h"
#include "core/headless.h"
#include "core/program.h"
#include "core/rng.h"
#include "ising2d/ising2d.h"
#include "ising3d/ising3d.h"
#include "ising3d/planeviews.h"
#include "measure/model.h"

namespace spinlab {
namespace {

struct Bench : HeadlessApp {
    explicit Bench(std::uint64_t seed) : HeadlessApp(Rng::seeded(seed)) {}
};

// Presses Start in the selected mode and stops inside trial `trials`; returns the loop's
// seconds (the set-up excluded).
double timedRun(Bench& b, std::uint64_t trials) {
    using Clock = std::chrono::steady_clock;
    MainForm& form = b.program.IsingModel();
    Clock::time_point first, last;
    b.pump.after(1, [&] { first = Clock::now(); });
    b.pump.after(trials, [&] {
        last = Clock::now();
        form.state.Running = false;
    });
    form.Command1.click();
    return std::chrono::duration<double>(last - first).count();
}

void BM_SquareLoop(benchmark::State& state) {
    Bench b(7);
    MainForm& form = b.program.IsingModel();
    form.GridSize.setText(std::to_string(state.range(0)));
    if (state.range(1) == 1) form.Glauber.setValue(true);
    constexpr std::uint64_t kTrials = 20'000'000;
    for (auto _ : state)
        state.SetIterationTime(timedRun(b, kTrials));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * (kTrials - 1)));
}
BENCHMARK(BM_SquareLoop)
    ->ArgNames({"N", "glauber"})
    ->Args({60, 0})
    ->Args({1000, 0})
    ->Args({60, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_SquareSetUp(benchmark::State& state) {
    Bench b(3);
    MainForm& form = b.program.IsingModel();
    form.GridSize.setText(std::to_string(state.range(0)));
    for (auto _ : state) {
        form.Picture1.Cls();
        SetupPicture2D(b.program);
        InitLattice2D(b.program);
    }
    state.SetItemsProcessed(state.iterations() * (state.range(0) + 1) * (state.range(0) + 1));
}
BENCHMARK(BM_SquareSetUp)->Arg(60)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ChainLoop(benchmark::State& state) {
    Bench b(11);
    b.program.IsingModel().PolymerChain.click();
    b.program.PolymerWindow().Iterations.setText(std::to_string(state.range(0)));
    constexpr std::uint64_t kPasses = 20'000'000;
    for (auto _ : state)
        state.SetIterationTime(timedRun(b, kPasses));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * (kPasses - 1)));
}
BENCHMARK(BM_ChainLoop)
    ->ArgName("units")
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_CubicLoop(benchmark::State& state) {
    Bench b(9);
    MainForm& form = b.program.IsingModel();
    form.GridSize.setText(std::to_string(state.range(0)));
    form.simulation3D.click();
    constexpr std::uint64_t kTrials = 20'000'000;
    for (auto _ : state)
        state.SetIterationTime(timedRun(b, kTrials));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * (kTrials - 1)));
}
BENCHMARK(BM_CubicLoop)->ArgName("N")->Arg(60)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CubicSetUp(benchmark::State& state) {
    Bench b(3);
    MainForm& form = b.program.IsingModel();
    View3DForm& view = b.program.n3DPicForm();
    form.GridSize.setText(std::to_string(state.range(0)));
    for (auto _ : state) {
        view.PictureXY.Cls();
        view.PictureYZ.Cls();
        view.PictureXZ.Cls();
        InitLattice3D(b.program);
        SetupViews3D(b.program);
    }
    const std::int64_t side = state.range(0) + 1;
    state.SetItemsProcessed(state.iterations() * side * side * side);
}
BENCHMARK(BM_CubicSetUp)->Arg(100)->Unit(benchmark::kMillisecond);

// The batch tool's run, with and without a CSV row every `every` trials (0: none), to show what
// following the observables costs the loop.
void BM_SampledRun(benchmark::State& state) {
    const std::string simulation = state.range(0) == 0   ? "square"
                                   : state.range(0) == 1 ? "cubic"
                                                         : "chain";
    std::vector<std::string> args = {simulation, "--units", "10000", "--trials",
                                     "20000000", "--seed",  "7"};
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (state.range(1) > 0) {
        args.insert(args.end(), {"--every", std::to_string(state.range(1)), "--series", "x"});
    }
    const batch::Options options = *batch::parseOptions(args);
    const Model& model = *findModel(simulation);
    for (auto _ : state) {
        const batch::Report r =
            batch::runModel(model, options, state.range(1) > 0 ? sink : nullptr);
        for (const auto& [key, value] : r.fields) {
            if (key == "seconds") state.SetIterationTime(std::stod(value));
        }
    }
    std::fclose(sink);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * (options.trials - 1)));
}
BENCHMARK(BM_SampledRun)
    ->ArgNames({"model", "every"})
    ->ArgsProduct({{0, 1, 2}, {0, 1000}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_CheckNoiseAccepts(benchmark::State& state) {
    Bench b(5);
    AcceptanceRule& rule = b.program.IsingModel().rule;
    int dE = -16;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rule.accepts(dE));
        dE = dE == 16 ? -16 : dE + 4;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CheckNoiseAccepts);

// A whole ant walk on Form1's design picture (135 x 143 cells), from Start to the border.
void BM_AntWalk(benchmark::State& state) {
    Bench b(11);
    AntForm& form = b.program.Form1();
    form.HScroll1.setValue(static_cast<int>(state.range(0)));
    std::int64_t steps = 0;
    for (auto _ : state) {
        form.Command1.click();
        steps += b.app.antCommands().lastWalk().steps;
    }
    state.SetItemsProcessed(steps);
    state.counters["steps_per_walk"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AntWalk)->ArgName("obstacles")->Arg(0)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace spinlab

BENCHMARK_MAIN();
