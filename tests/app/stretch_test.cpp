// The loops run the trials whose DoEvents will not service as one quiet stretch. Whatever a run
// meets (high acceptance, a lattice grown into unset cells or shrunk within its spins, edits, a
// nested run of another simulation, a size of 0), it must end exactly as the same run taken one
// trial at a time, each DoEvents servicing: the same lattices, chain, pictures, totals, site and
// counters.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

#include "testkit/headless_program.h"

namespace spinlab {
namespace {

using testing::HeadlessProgram;

enum class Mode { Square, Cubic, Chain };

struct Scenario {
    const char* name;
    Mode mode;
    const char* size;
    const char* temp;
    bool glauber;
    std::uint64_t trials;
    // Runs inside the given DoEvents call of the run.
    std::uint64_t eventAt = 0;
    std::function<void(HeadlessProgram&)> event = {};
    // The lattices' model from the start.
    ModelOptions model = {};
};

ModelOptions modelOf(Coupling c, Edges e, double h) {
    ModelOptions m;
    m.coupling = c;
    m.edges = e;
    m.field = h;
    return m;
}

void PrintTo(const Scenario& s, std::ostream* out) {
    *out << s.name;
}

struct Outcome {
    std::vector<int> square, cubic, chain;
    std::vector<std::vector<std::uint32_t>> pictures;
    std::vector<std::uint64_t> refreshes;
    std::vector<std::int64_t> totals;
    std::vector<std::string> labels;
    std::int64_t siteX = 0, siteY = 0, siteZ = 0;
    std::uint64_t calls = 0;
};

void choose(HeadlessProgram& h, Mode mode) {
    if (mode == Mode::Cubic) h.main().simulation3D.click();
    if (mode == Mode::Chain) h.main().PolymerChain.click();
}

Outcome run(const Scenario& s, bool trialByTrial) {
    HeadlessProgram h(17);
    choose(h, s.mode);
    (s.mode == Mode::Chain ? h.program.PolymerWindow().Iterations : h.main().GridSize)
        .setText(s.size);
    h.main().Temp.setText(s.temp);
    if (s.glauber) h.main().Glauber.setValue(true);
    h.main().state.model = s.model;
    if (trialByTrial) h.pump.everyCall([] {}, 1);
    if (s.event) h.pump.after(s.eventAt, [&h, &s] { s.event(h); });
    h.stopAfter(s.trials);
    h.start();
    EXPECT_TRUE(h.backend.errors.empty()) << h.backend.errors.front();

    Outcome o;
    const SimState& st = h.state();
    for (int x = 0; x <= SquareLattice::kMax; ++x) {
        for (int y = 0; y <= SquareLattice::kMax; ++y)
            o.square.push_back(*st.Lattice2D.cell(x, y));
    }
    for (int x = 0; x <= CubicLattice::kMax; ++x) {
        for (int y = 0; y <= CubicLattice::kMax; ++y) {
            for (int z = 0; z <= CubicLattice::kMax; ++z)
                o.cubic.push_back(*st.Lattice3D.cell(x, y, z));
        }
    }
    o.chain.assign(st.ChainState.data(), st.ChainState.data() + Chain::kMax + 1);
    h.program.forEachForm([&](Form& f) {
        for (const Surface* pic : f.surfaces()) {
            o.pictures.emplace_back(pic->bits(), pic->bits() + pic->stride() * pic->height());
            o.refreshes.push_back(pic->refreshes());
        }
        for (const Control* c : f.controls()) {
            if (const auto* label = dynamic_cast<const Label*>(c))
                o.labels.push_back(label->Caption());
        }
    });
    o.totals = {st.drift.energy, st.drift.magnetization, st.drift.accepted};
    o.totals.insert(o.totals.end(), std::begin(st.drift.stateCounts),
                    std::end(st.drift.stateCounts));
    o.siteX = st.SiteX;
    o.siteY = st.SiteY;
    o.siteZ = st.SiteZ;
    o.calls = h.pump.calls();
    return o;
}

class Stretch : public ::testing::TestWithParam<Scenario> {};

TEST_P(Stretch, EndsAsTheSameRunTakenTrialByTrial) {
    const Outcome quiet = run(GetParam(), false);
    const Outcome single = run(GetParam(), true);
    EXPECT_EQ(quiet.calls, single.calls);
    EXPECT_TRUE(quiet.square == single.square) << "square lattice";
    EXPECT_TRUE(quiet.cubic == single.cubic) << "cubic lattice";
    EXPECT_EQ(quiet.chain, single.chain);
    ASSERT_EQ(quiet.pictures.size(), single.pictures.size());
    for (std::size_t i = 0; i < quiet.pictures.size(); ++i)
        EXPECT_TRUE(quiet.pictures[i] == single.pictures[i]) << "picture " << i;
    EXPECT_EQ(quiet.refreshes, single.refreshes);
    EXPECT_EQ(quiet.totals, single.totals);
    EXPECT_EQ(quiet.labels, single.labels);
    EXPECT_EQ(quiet.siteX, single.siteX);
    EXPECT_EQ(quiet.siteY, single.siteY);
    EXPECT_EQ(quiet.siteZ, single.siteZ);
}

void typeSize(HeadlessProgram& h, const char* text) {
    h.main().GridSize.setText(text);
}

// A nested Start of `mode` inside the running loop, stopped `after` calls later (ending both).
std::function<void(HeadlessProgram&)> nested(Mode mode, const char* size, std::uint64_t after) {
    return [=](HeadlessProgram& h) {
        choose(h, mode);
        if (mode == Mode::Chain)
            h.program.PolymerWindow().Iterations.setText(size);
        else
            typeSize(h, size);
        h.stopAfter(after);
        h.start();
    };
}

INSTANTIATE_TEST_SUITE_P(
    Loops, Stretch,
    ::testing::Values(Scenario{"SquareHot", Mode::Square, "60", "5.3", false, 150000},
                      Scenario{"SquareGlauberCooled", Mode::Square, "60", "3", true, 200000, 70001,
                               [](HeadlessProgram& h) { h.main().Temp.setText("1.5"); }},
                      Scenario{"SquareLargeEveryMove", Mode::Square, "1000", "-1", false, 100000},
                      Scenario{"SquareGrownIntoUnsetCells", Mode::Square, "20", "2", false, 100000,
                               3000, [](HeadlessProgram& h) { typeSize(h, "40"); }},
                      Scenario{"SquareShrunkOverItsSpins", Mode::Square, "60", "4", false, 100000,
                               3000, [](HeadlessProgram& h) { typeSize(h, "41"); }},
                      Scenario{"SquareOfSizeZero", Mode::Square, "0", "2.2619", true, 5000},
                      Scenario{"SquareNoDynamics", Mode::Square, "30", "2", false, 50000, 10,
                               [](HeadlessProgram& h) { h.main().Metropolis.setValue(false); }},
                      Scenario{"SquareWithANestedChain", Mode::Square, "60", "5.3", false, 1u << 30,
                               20000, nested(Mode::Chain, "500", 90000)},
                      // An ordered lattice runs on kept neighbour sums: a set-up inside a nested
                      // run and spins drawn between stretches must reach them.
                      Scenario{"SquareColdWithANestedSetUp", Mode::Square, "30", "3.3", false,
                               1u << 30, 300001, nested(Mode::Square, "30", 300000)},
                      Scenario{"SquareColdDrawnOn", Mode::Square, "30", "3.3", false, 500000,
                               250001,
                               [](HeadlessProgram& h) {
                                   SquareLattice& l = h.main().state.Lattice2D;
                                   for (int x = 3; x < 9; ++x) {
                                       for (int y = 0; y < 7; ++y)
                                           l.set(x, y, -l.get(x, y));
                                   }
                               }},
                      Scenario{"SquareNearestGrown", Mode::Square, "20", "2.5", false, 100000, 3000,
                               [](HeadlessProgram& h) { typeSize(h, "40"); },
                               modelOf(Coupling::Nearest, Edges::Open, 0)},
                      Scenario{"SquareNearestWrappedInAField",
                               Mode::Square,
                               "30",
                               "2.3",
                               true,
                               100000,
                               0,
                               {},
                               modelOf(Coupling::Nearest, Edges::Periodic, -0.4)},
                      Scenario{"SquareBlockWrappedThenOpen", Mode::Square, "25", "5", false, 100000,
                               40001,
                               [](HeadlessProgram& h) { h.main().state.model.edges = Edges::Open; },
                               modelOf(Coupling::Block, Edges::Periodic, 0.7)},
                      Scenario{"CubicHot", Mode::Cubic, "20", "23.2", false, 100000},
                      Scenario{"CubicNearestWrappedInAField",
                               Mode::Cubic,
                               "9",
                               "4",
                               false,
                               80000,
                               0,
                               {},
                               modelOf(Coupling::Nearest, Edges::Periodic, 0.3)},
                      Scenario{"CubicBlockWrappedGrown", Mode::Cubic, "8", "20", true, 80000, 2000,
                               [](HeadlessProgram& h) { typeSize(h, "12"); },
                               modelOf(Coupling::Block, Edges::Periodic, 0)},
                      Scenario{"CubicOrdered", Mode::Cubic, "60", "2.2619", false, 200000},
                      Scenario{"CubicGrown", Mode::Cubic, "10", "3", true, 80000, 2000,
                               [](HeadlessProgram& h) { typeSize(h, "14"); }},
                      Scenario{"CubicShrunkOverItsSpins", Mode::Cubic, "16", "20", false, 80000,
                               2000, [](HeadlessProgram& h) { typeSize(h, "11"); }},
                      Scenario{"CubicWithANestedSquare", Mode::Cubic, "12", "20", false, 1u << 30,
                               7000, nested(Mode::Square, "12", 70000)},
                      Scenario{"ChainHot", Mode::Chain, "10000", "10", false, 200000},
                      Scenario{"ChainShortGlauber", Mode::Chain, "30", "3", true, 100000},
                      Scenario{"ChainOfOneUnit", Mode::Chain, "0", "2.2619", false, 5000},
                      Scenario{"ChainOfTwoUnits", Mode::Chain, "1", "-1", false, 5000},
                      Scenario{"ChainWithANestedCube", Mode::Chain, "200", "4", false, 1u << 30,
                               30000, nested(Mode::Cubic, "8", 80000)}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace spinlab
