// The windows' measurements without a screen: the recorder's values against a recount of the
// state, its saved series against spinlab-batch's, the atomic writer's failures, and the large
// view's blocks against the lattices.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <dirent.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "batch/options.h"
#include "batch/runners.h"
#include "measure/atomicfile.h"
#include "measure/blocks.h"
#include "measure/recorder.h"
#include "testkit/headless_program.h"

namespace spinlab {
namespace {

using testing::HeadlessProgram;

// Recounts written here from the definitions, site by site through the checked accessors.
Observables recount(Program& p, RunKind kind) {
    const SimState& s = p.IsingModel().state;
    Observables o;
    if (kind == RunKind::Chain) {
        const int n = p.PolymerWindow().Iterations.cint();
        for (int i = 0; i <= n; ++i) {
            const int state = s.ChainState.get(i);
            ++o.counts[static_cast<std::size_t>(state - 1)];
            if (i < n && state == s.ChainState.get(i + 1)) o.energy -= state;
        }
        return o;
    }
    const int n = p.IsingModel().GridSize.cint();
    const int dz = kind == RunKind::Cubic ? 1 : 0;
    auto spin = [&](int x, int y, int z) {
        return kind == RunKind::Cubic ? s.Lattice3D.get(x, y, z) : s.Lattice2D.get(x, y);
    };
    std::int64_t twiceBonds = 0;
    for (int x = 0; x <= n; ++x)
        for (int y = 0; y <= n; ++y)
            for (int z = 0; z <= n * dz; ++z) {
                o.magnetization += spin(x, y, z);
                for (int i = -1; i <= 1; ++i)
                    for (int j = -1; j <= 1; ++j)
                        for (int k = -dz; k <= dz; ++k) {
                            const int a = x + i, b = y + j, c = z + k;
                            if ((i || j || k) && a >= 0 && a <= n && b >= 0 && b <= n && c >= 0 &&
                                c <= n * dz)
                                twiceBonds += spin(x, y, z) * spin(a, b, c);
                        }
            }
    o.energy = -twiceBonds / 2;
    return o;
}

void expectSame(const Observables& a, const Observables& b) {
    EXPECT_EQ(a.energy, b.energy);
    EXPECT_EQ(a.magnetization, b.magnetization);
    EXPECT_EQ(a.counts, b.counts);
}

struct Case {
    const char* name;
    const char* size;
    const char* units;
    const char* temp;
};
const Case kCases[] = {
    {"square", "20", "10", "5.3"}, {"cubic", "6", "10", "9"}, {"chain", "60", "300", "3"}};

TEST(Recorder, ValuesAndRowsMatchARecountForEachSimulation) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HeadlessProgram h(3);
        const Model& model = *findModel(c.name);
        model.prepare(h.program, c.size, c.units);
        h.main().Temp.setText(c.temp);
        Recorder recorder(h.program);
        recorder.attach();
        const std::uint64_t k = Recorder::intervalFor(model.sites(h.program));
        std::optional<Observables> midway;
        Observables midwayRecount;
        h.pump.after(7 * k + 5, [&] {
            midway = recorder.current();
            midwayRecount = recount(h.program, model.kind);
        });
        h.stopAfter(12 * k);
        h.start();
        ASSERT_TRUE(midway.has_value());
        expectSame(*midway, midwayRecount);
        // Stopped inside trial 12 K, whose sample is the last row.
        const auto& rows = recorder.store().rows();
        ASSERT_EQ(rows.size(), 12u);
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(rows[i].trial, k * (i + 1));
        expectSame(rows.back().values, recount(h.program, model.kind));
        EXPECT_EQ(recorder.trials(), 12 * k);
        EXPECT_FALSE(recorder.live());
    }
}

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A saved CSV without its "#" record lines.
std::string withoutRecord(const std::string& text) {
    std::istringstream in(text);
    std::string out;
    for (std::string line; std::getline(in, line);)
        if (!line.starts_with('#')) out += line + "\n";
    return out;
}

std::string tempDir() {
    char pattern[] = "/tmp/spinlab-measure-XXXXXX";
    return mkdtemp(pattern);
}

std::set<std::string> entries(const std::string& dir) {
    std::set<std::string> names;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = d ? readdir(d) : nullptr) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.insert(name);
    }
    if (d) closedir(d);
    return names;
}

// A small store thins three times over the run: the rows kept must be exactly the batch tool's
// at the widened interval, and a new Start clears them.
TEST(Recorder, SavedSeriesEqualsTheBatchToolsAtTheKeptInterval) {
    const std::string dir = tempDir();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HeadlessProgram h(11);
        const Model& model = *findModel(c.name);
        model.prepare(h.program, c.size, c.units);
        h.main().Temp.setText(c.temp);
        Recorder recorder(h.program, 8);
        const std::uint64_t k = Recorder::intervalFor(model.sites(h.program));
        // Attached during the run, as a window opened then is: the rows still fall on the run's
        // own multiples of K.
        h.pump.after(5 * k + 3, [&] { recorder.attach(); });
        h.stopAfter(40 * k);
        h.start();
        ASSERT_EQ(recorder.store().interval(), 8 * k);
        const std::string mine = dir + "/" + c.name + ".csv";
        recorder.save(mine);

        const std::string theirs = dir + "/" + c.name + "-batch.csv";
        batch::Options o = *batch::parseOptions(
            {c.name, model.chain ? "--units" : "--size", model.chain ? c.units : c.size, "--temp",
             c.temp, "--seed", "11", "--trials", std::to_string(40 * k), "--every",
             std::to_string(8 * k), "--series", theirs});
        std::FILE* f = std::fopen(theirs.c_str(), "w");
        batch::runModel(model, o, f);
        std::fclose(f);
        // The header and rows are the batch tool's; the records differ (no seed in a window).
        const std::string saved = slurp(mine);
        EXPECT_NE(saved.find("\n# seed: none"), std::string::npos);
        EXPECT_EQ(withoutRecord(saved), withoutRecord(slurp(theirs)));
        EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n') -
                      std::count(saved.begin(), saved.end(), '#'),
                  6);  // the header and 5 rows

        h.stopAfter(3);
        h.start();
        EXPECT_TRUE(recorder.store().rows().empty());
    }
    std::filesystem::remove_all(dir);
}

TEST(AtomicFile, AFailedWriteNamesThePathAndTheReasonAndLeavesNothing) {
    const std::string dir = tempDir();
    const std::vector<unsigned char> bytes(1000, 'x');
    try {
        writeFileAtomically(dir + "/missing/x.csv", bytes);
        ADD_FAILURE();
    } catch (const WriteError& e) {
        EXPECT_EQ(e.message(), "cannot write " + dir + "/missing/x.csv: No such file or directory");
    }
    // The temporary file is written in full; only the rename over a directory fails.
    mkdir((dir + "/taken").c_str(), 0755);
    std::ofstream(dir + "/taken/inside") << "kept";
    try {
        writeFileAtomically(dir + "/taken", bytes);
        ADD_FAILURE();
    } catch (const WriteError& e) {
        EXPECT_EQ(e.path, dir + "/taken");
        EXPECT_FALSE(e.reason.empty());
    }
    EXPECT_EQ(entries(dir), std::set<std::string>{"taken"});
    EXPECT_EQ(slurp(dir + "/taken/inside"), "kept");

    writeFileAtomically(dir + "/ok.bin", bytes);
    EXPECT_EQ(slurp(dir + "/ok.bin"), std::string(1000, 'x'));
    EXPECT_EQ(entries(dir), (std::set<std::string>{"ok.bin", "taken"}));
    // Writing through a link replaces the file it names and keeps the link.
    std::filesystem::create_symlink("ok.bin", dir + "/link");
    writeFileAtomically(dir + "/link", {'y'});
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link"));
    EXPECT_EQ(slurp(dir + "/ok.bin"), "y");
    EXPECT_EQ(entries(dir), (std::set<std::string>{"link", "ok.bin", "taken"}));
    std::filesystem::remove_all(dir);
}

TEST(Blocks, HoldTheLatticeTheSectionAndTheChainInViewOrder) {
    HeadlessProgram h(5);
    SimState& s = h.state();
    // Hot enough that nothing orders: a uniform lattice would hide a transposed block.
    h.main().Temp.setText("50");
    h.main().GridSize.setText("7");
    h.stopAfter(2000);
    h.start();
    Block b;
    readSquare(s.Lattice2D, 7, b);
    ASSERT_EQ(b.width, 8);
    ASSERT_EQ(b.height, 8);
    for (int y = 0; y <= 7; ++y)
        for (int x = 0; x <= 7; ++x)
            ASSERT_EQ(b.at(x, y), s.Lattice2D.get(x, y));

    h.main().simulation3D.click();
    h.main().GridSize.setText("5");
    h.stopAfter(2000);
    h.start();
    for (SectionAxis axis : {SectionAxis::Z, SectionAxis::X, SectionAxis::Y}) {
        readSection(s.Lattice3D, 5, axis, 1, b);
        ASSERT_EQ(b.width, 6);
        for (int row = 0; row <= 5; ++row)
            for (int col = 0; col <= 5; ++col) {
                const int want = axis == SectionAxis::Z   ? s.Lattice3D.get(col, row, 1)
                                 : axis == SectionAxis::X ? s.Lattice3D.get(1, col, row)
                                                          : s.Lattice3D.get(col, 1, row);
                ASSERT_EQ(b.at(col, row), want);
            }
    }

    h.main().PolymerChain.click();
    h.stopAfter(100);
    h.start();
    readChain(s.ChainState, 10, b);
    ASSERT_EQ(b.width, 11);
    ASSERT_EQ(b.height, 1);
    for (int i = 0; i <= 10; ++i)
        ASSERT_EQ(b.at(i, 0), s.ChainState.get(i));

    RgbImage image;
    paintBlock(b, BlockColours::ChainStates, image);
    const RgbImage big = scaled(image, 3, 2);
    ASSERT_EQ(big.width, 33);
    ASSERT_EQ(big.height, 2);
    EXPECT_EQ(big.pixels[3 * 4 + 2 + 33] & 0xFFFFFF, chainStateColour(s.ChainState.get(4)));
}

// The run stack counts each run's own trials, as its loop's label does, across a nested run.
TEST(RunStack, CountsEachRunsOwnTrials) {
    HeadlessProgram h(2);
    h.main().GridSize.setText("6");
    std::vector<std::pair<std::uint64_t, std::string>> seen;
    auto look = [&](Label& label) {
        // Inside trial t the label still shows t - 1.
        seen.emplace_back(h.program.runs().trials(*h.program.runs().innermost()),
                          std::to_string(std::stoll(label.Caption()) + 1));
    };
    h.pump.after(50, [&] {
        h.main().simulation3D.click();
        h.pump.after(30, [&] { look(h.program.n3DPicForm().Label1); });
        h.pump.after(40, [&] { h.main().Command2.click(); });
        h.start();
        h.main().IsingModelItem.click();
        h.main().state.Running = true;
        h.pump.after(25, [&] { look(h.main().Label1); });
    });
    h.stopAfter(200);
    h.start();
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& [counted, label] : seen)
        EXPECT_EQ(std::to_string(counted), label);
}

}  // namespace
}  // namespace spinlab
