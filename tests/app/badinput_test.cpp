// Whatever is typed into a box, a Start in a mode that reads the box either runs with the number
// the text reads as, or reports what is wrong with that box and that text and leaves everything
// on screen and in the lattices as the last run left it.

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "testkit/headless_program.h"

namespace spinlab {
namespace {

using testing::HeadlessProgram;

enum class Reading { Number, NotANumber, OutOfRange };

struct Typed {
    const char* name;
    std::string text;
    Reading reading;
    int value;           // what CInt reads, for a Number
    double temperature;  // the temperature it sets, NaN when Temp refuses it
};

const double kRefused = std::nan("");

// What each text reads as, worked out by hand from the conversion rules: blanks around a number
// are ignored, commas group thousands, &H is hexadecimal, halves round to even, and CInt holds
// -32768..32767. A Temp text that is empty or reads as 0 means T = 1.
const Typed kTexts[] = {
    {"Empty", "", Reading::NotANumber, 0, 1.0},
    {"Spaces", "   ", Reading::NotANumber, 0, kRefused},
    {"Letters", "abc", Reading::NotANumber, 0, kRefused},
    {"Exponent", "1e3", Reading::Number, 1000, 1000.0},
    {"MinusZero", "-0", Reading::Number, 0, 1.0},
    {"Half", "0.5", Reading::Number, 0, 1.0},
    {"MinusHalf", "-0.5", Reading::Number, 0, 1.0},
    {"TwoAndAHalf", "2.5", Reading::Number, 2, 2.5},
    {"Largest", "32767", Reading::Number, 32767, 32767.0},
    {"PastLargest", "32768", Reading::OutOfRange, 0, kRefused},
    {"PastSmallest", "-32769", Reading::OutOfRange, 0, kRefused},
    {"Overflowing", "1e400", Reading::OutOfRange, 0, kRefused},
    {"NaN", "NaN", Reading::NotANumber, 0, kRefused},
    {"Infinity", "inf", Reading::NotANumber, 0, kRefused},
    {"Hexadecimal", "&H10", Reading::Number, 16, 16.0},
    {"Thousands", "1,000", Reading::Number, 1000, 1000.0},
    {"TenThousandDigits", std::string(10000, '7'), Reading::OutOfRange, 0, kRefused},
    {"FullWidthDigits", "\xEF\xBC\x96\xEF\xBC\x90", Reading::NotANumber, 0, kRefused},  // "６０"
    {"Negative", "-3", Reading::Number, -3, -3.0},
};

enum class Mode { Square, Cubic, Chain };
enum class Box { GridSize, Temp, Iterations };

struct Use {
    const char* name;
    Mode mode;
    Box box;
};

const Use kUses[] = {
    {"SquareGridSize", Mode::Square, Box::GridSize},
    {"CubicGridSize", Mode::Cubic, Box::GridSize},
    {"ChainIterations", Mode::Chain, Box::Iterations},
    {"SquareTemp", Mode::Square, Box::Temp},
    {"CubicTemp", Mode::Cubic, Box::Temp},
    {"ChainTemp", Mode::Chain, Box::Temp},
};

// Everything a failed Start must leave alone: the pictures, the arrays and the counters.
struct Screen {
    std::vector<std::uint32_t> pixels;
    std::vector<std::int8_t> lattices;
    std::vector<std::int16_t> chain;
    std::vector<std::string> captions;

    explicit Screen(HeadlessProgram& h) {
        Program& p = h.program;
        for (const Surface* s :
             {&p.IsingModel().Picture1, &p.n3DPicForm().PictureXY, &p.n3DPicForm().PictureYZ,
              &p.n3DPicForm().PictureXZ, &p.PolymerWindow().Picture1}) {
            pixels.insert(pixels.end(), s->bits(), s->bits() + s->stride() * s->height());
        }
        const SquareLattice& square = h.state().Lattice2D;
        const std::int8_t* first = square.cell(-1, -1);
        lattices.assign(first, first + SquareLattice::kStride * SquareLattice::kStride);
        const CubicLattice& cube = h.state().Lattice3D;
        const std::int8_t* corner = cube.cell(-1, -1, -1);
        lattices.insert(lattices.end(), corner,
                        corner + CubicLattice::kStepX * CubicLattice::kStride);
        chain.assign(h.state().ChainState.data(), h.state().ChainState.data() + Chain::kMax + 1);
        captions = {p.IsingModel().Label1.Caption(), p.n3DPicForm().Label1.Caption(),
                    p.PolymerWindow().Label3.Caption()};
    }
    bool operator==(const Screen&) const = default;
};

void PrintTo(const Use& use, std::ostream* out) {
    *out << use.name;
}
void PrintTo(const Typed& typed, std::ostream* out) {
    *out << typed.name;
}

class BadInput : public ::testing::TestWithParam<std::tuple<Use, Typed>> {
protected:
    HeadlessProgram h{7};

    TextBox& box(Box which) {
        switch (which) {
            case Box::GridSize:
                return h.main().GridSize;
            case Box::Temp:
                return h.main().Temp;
            case Box::Iterations:
                break;
        }
        return h.program.PolymerWindow().Iterations;
    }
    const Surface& picture(Mode mode) {
        if (mode == Mode::Square) return h.main().Picture1;
        if (mode == Mode::Cubic) return h.program.n3DPicForm().PictureXY;
        return h.program.PolymerWindow().Picture1;
    }
    std::string counter(Mode mode) {
        return mode == Mode::Cubic ? h.program.n3DPicForm().Label1.Caption()
                                   : h.main().Label1.Caption();
    }
    // Runs `trials` trials; the run must end by the Stop scheduled here.
    void run(int trials) {
        h.stopAfter(static_cast<std::uint64_t>(trials));
        h.start();
    }
};

TEST_P(BadInput, RunsWithWhatTheTextReadsAsOrReportsItAndKeepsTheScreen) {
    const auto& [use, typed] = GetParam();
    if (use.mode == Mode::Cubic) h.main().simulation3D.click();
    if (use.mode == Mode::Chain) h.main().PolymerChain.click();
    h.main().GridSize.setText("20");
    h.main().Temp.setText("-1");  // every move taken, so the last run leaves plenty on screen
    run(500);
    ASSERT_TRUE(h.backend.errors.empty());

    TextBox& typedInto = box(use.box);
    const std::string good = typedInto.Text();
    typedInto.setText(typed.text);
    const Screen before(h);

    const int limit = use.mode == Mode::Square  ? SquareLattice::kMax
                      : use.mode == Mode::Cubic ? CubicLattice::kMax
                                                : Chain::kMax;
    // What the message must say, in terms of what the user typed and may type; empty when the
    // Start must run.
    const bool below = typed.text[0] == '-';
    const std::string largest = "is above " + std::to_string(limit) + ", the " +
                                (use.mode == Mode::Square  ? "largest lattice"
                                 : use.mode == Mode::Cubic ? "largest cubic lattice"
                                                           : "longest chain");
    std::string problem;
    if (use.box == Box::Temp) {
        if (std::isnan(typed.temperature)) {
            problem = typed.reading != Reading::OutOfRange ? "is not a number"
                      : below ? "is too small: temperatures must lie between -32768 and 32767"
                              : "is too large: temperatures must lie between -32768 and 32767";
        }
    } else if (typed.reading == Reading::NotANumber) {
        problem = typed.text.empty() ? "is empty, not a number" : "is not a number";
    } else if (typed.reading == Reading::OutOfRange) {
        problem = below ? "is negative" : largest;
    } else if (typed.value > limit) {
        problem = largest;
    } else if (typed.value < 0) {
        problem = "is negative";
    }

    h.pump.after(1000000, [&] { h.main().Command2.click(); });  // ends a run that should fail
    if (problem.empty()) {
        run(40);
        EXPECT_TRUE(h.backend.errors.empty()) << h.backend.errors.front();
        EXPECT_EQ(counter(use.mode), "40");
        if (use.box == Box::Temp) {
            EXPECT_EQ(h.main().rule.temperature(), typed.temperature);
        } else {
            EXPECT_EQ(picture(use.mode).ScaleWidth(), float(typed.value));
        }
        return;
    }

    h.start();
    ASSERT_EQ(h.backend.errors.size(), 1u);
    const std::string& message = h.backend.errors[0];
    EXPECT_EQ(message.rfind(typedInto.inputName() + " ", 0), 0u) << message;
    EXPECT_NE(message.find(typed.text.substr(0, 40)), std::string::npos) << message;
    EXPECT_NE(message.find(problem), std::string::npos) << message;
    EXPECT_EQ(message.find("index"), std::string::npos) << message;
    EXPECT_EQ(message.back(), '.');
    EXPECT_TRUE(Screen(h) == before);
    EXPECT_FALSE(h.state().Running);
    EXPECT_EQ(h.app.commands().activeRuns(), 0);

    // The program goes on: with the box mended the next Start runs.
    typedInto.setText(good);
    run(30);
    EXPECT_EQ(h.backend.errors.size(), 1u);
    EXPECT_EQ(counter(use.mode), "30");
}

// A size typed during a run stops it at a site the user never typed: the message names the box
// and its limit, not the site.
TEST(BadInputDuringARun, NamesTheBoxAndItsLimitNotTheSite) {
    struct Row {
        bool chain;
        const char* text;
        const char* message;
    };
    const Row rows[] = {
        {false, "5000", "Lattice Size 5000 is above 1000, the largest lattice."},
        {false, "1e308", "Lattice Size \"1e308\" is above 1000, the largest lattice."},
        {true, "20000", "Number of Chain Units 20000 is above 10000, the longest chain."},
    };
    for (const Row& row : rows) {
        HeadlessProgram h{3};
        if (row.chain) h.main().PolymerChain.click();
        TextBox& box = row.chain ? h.program.PolymerWindow().Iterations : h.main().GridSize;
        box.setText("30");
        h.pump.after(100, [&] { box.setText(row.text); });
        h.stopAfter(1000000);
        h.start();
        ASSERT_EQ(h.backend.errors.size(), 1u) << row.text;
        EXPECT_EQ(h.backend.errors[0], row.message);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryBoxAndText, BadInput,
                         ::testing::Combine(::testing::ValuesIn(kUses),
                                            ::testing::ValuesIn(kTexts)),
                         [](const ::testing::TestParamInfo<std::tuple<Use, Typed>>& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace spinlab
