// The program's windows: picture sizes from the design in twips, creation on first use, End,
// and how an event handler's platform error reaches the user.

#include "core/program.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/headless.h"
#include "core/layout.h"

namespace spinlab {
namespace {

struct PictureRow {
    const WindowDesign& (*window)();
    const char* picture;
    double twipsPerPixel;
    int width, height;
};
std::ostream& operator<<(std::ostream& out, const PictureRow& r) {
    return out << r.window().name << '.' << r.picture << " at " << r.twipsPerPixel;
}

class PictureInterior : public ::testing::TestWithParam<PictureRow> {};

TEST_P(PictureInterior, IsTheBoxLessItsBorder) {
    const PictureRow& row = GetParam();
    const ControlDesign& box = row.window().control(row.picture);
    EXPECT_EQ(pictureInterior(box.width, row.twipsPerPixel), row.width);
    EXPECT_EQ(pictureInterior(box.height, row.twipsPerPixel), row.height);
}

// Form1's Picture1 is 2055 x 2175 twips: 137 x 145 pixels at 15, 171.25 x 181.25 at 12. At 20
// twips per pixel (72 dpi) Picture1's 168.75 x 156.75 round up.
INSTANTIATE_TEST_SUITE_P(Design, PictureInterior,
                         ::testing::Values(PictureRow{antWalkDesign, "Picture1", 15, 135, 143},
                                           PictureRow{antWalkDesign, "Picture1", 12, 169, 179},
                                           PictureRow{isingModelDesign, "Picture1", 15, 223, 207},
                                           PictureRow{isingModelDesign, "Picture1", 20, 167, 155},
                                           PictureRow{view3DDesign, "PictureYZ", 15, 215, 207},
                                           PictureRow{polymerDesign, "Picture1", 15, 447, 79}));

TEST(PictureInterior, NeverBelowOnePixel) {
    EXPECT_EQ(pictureInterior(15, 15), 1);
    EXPECT_EQ(pictureInterior(0, 15), 1);
}

class CountingBackend : public HeadlessBackend {
public:
    using HeadlessBackend::HeadlessBackend;
    void formCreated(Form& form) override { created.push_back(form.window.name()); }
    void endProgram() override {
        ++ends;
        HeadlessBackend::endProgram();
    }
    void handlerFinished() override { ++handlersFinished; }
    std::vector<std::string> created;
    int ends = 0;
    int handlersFinished = 0;
};

struct ProgramFixture : ::testing::Test {
    Rng rng = Rng::seeded(1);
    CountingBackend backend;
    HeadlessPump pump{&rng};
    Program program{backend, pump, rng};
    std::vector<std::string> wired;
    ProgramFixture() {
        program.onFormCreated = [this](Form& form) {
            // The application wires a window before the backend builds it.
            EXPECT_EQ(backend.created.size(), wired.size());
            wired.push_back(form.window.name());
        };
    }
};

TEST_F(ProgramFixture, EachWindowIsCreatedOnceOnFirstUse) {
    EXPECT_FALSE(program.hasIsingModel());
    EXPECT_FALSE(program.hasForm1());
    MainForm& main = program.IsingModel();
    EXPECT_EQ(&program.IsingModel(), &main);
    EXPECT_TRUE(program.hasIsingModel());
    EXPECT_FALSE(program.hasN3DPicForm());

    AntForm& ant = program.Form1();
    EXPECT_EQ(&program.Form1(), &ant);
    program.n3DPicForm();
    program.PolymerWindow();
    program.n3DPicForm();
    program.PolymerWindow();
    const std::vector<std::string> order{"IsingModel", "Form1", "n3DPicForm", "PolymerWindow"};
    EXPECT_EQ(wired, order);
    EXPECT_EQ(backend.created, order);

    // Created hidden: only the File menu and start-up show windows.
    program.forEachForm([](Form& f) { EXPECT_FALSE(f.window.Visible()) << f.window.name(); });
}

TEST_F(ProgramFixture, PicturesTakeTheirSizeFromTheScreenResolution) {
    CountingBackend fine(12.0);
    Program p(fine, pump, rng);
    EXPECT_EQ(p.Form1().Picture1.width(), 169);
    EXPECT_EQ(p.Form1().Picture1.height(), 179);
    EXPECT_EQ(program.Form1().Picture1.width(), 135);
    EXPECT_EQ(program.Form1().Picture1.height(), 143);
}

TEST_F(ProgramFixture, TheMainWindowsDynamicsButtonsAreOneGroup) {
    MainForm& main = program.IsingModel();
    EXPECT_TRUE(main.Metropolis.Value());
    main.Glauber.setValue(true);
    EXPECT_FALSE(main.Metropolis.Value());
    main.Metropolis.setValue(true);
    EXPECT_FALSE(main.Glauber.Value());
}

TEST_F(ProgramFixture, EndStopsBothRunsHidesEveryWindowAndEndsThePump) {
    MainForm& main = program.IsingModel();
    AntForm& ant = program.Form1();
    program.n3DPicForm().window.Show();
    main.window.Show();
    ant.window.Show();
    main.state.Running = true;
    ant.Running = true;

    program.End();
    EXPECT_TRUE(program.ended());
    EXPECT_FALSE(main.state.Running);
    EXPECT_FALSE(ant.Running);
    program.forEachForm([](Form& f) { EXPECT_FALSE(f.window.Visible()) << f.window.name(); });
    EXPECT_TRUE(pump.ending());
    EXPECT_EQ(backend.ends, 1);

    program.End();  // a second End (Quit inside a nested run) changes nothing
    EXPECT_EQ(backend.ends, 1);
}

TEST_F(ProgramFixture, EndBeforeAnyWindowExistsCreatesNone) {
    program.End();
    EXPECT_FALSE(program.hasIsingModel());
    EXPECT_FALSE(program.hasForm1());
    EXPECT_TRUE(backend.ended);
}

TEST_F(ProgramFixture, APlatformErrorEndsTheHandlerAndIsReported) {
    bool after = false;
    program.handle([&] {
        program.IsingModel().GridSize.setText("abc");
        program.IsingModel().GridSize.cint();
        after = true;
    });
    EXPECT_FALSE(after);
    ASSERT_EQ(backend.errors.size(), 1u);
    EXPECT_NE(backend.errors[0].find("Lattice Size"), std::string::npos);
    EXPECT_EQ(backend.handlersFinished, 1);

    program.describeError = [](const PlatformError& e) {
        return std::string("worded: ") + e.what();
    };
    program.handle([] { throw BoundsError("Lattice2D", 1001, 0, 1000); });
    ASSERT_EQ(backend.errors.size(), 2u);
    EXPECT_EQ(backend.errors[1].rfind("worded: ", 0), 0u);
    EXPECT_NE(backend.errors[1].find("1001"), std::string::npos);
}

TEST_F(ProgramFixture, EndInsideAHandlerUnwindsItsLoopQuietly) {
    int trials = 0;
    pump.after(5, [&] { program.End(); });
    program.handle([&] {
        for (;;) {
            ++trials;
            pump.DoEvents();
        }
    });
    EXPECT_EQ(trials, 5);
    EXPECT_TRUE(backend.errors.empty());
    EXPECT_EQ(backend.handlersFinished, 1);
}

}  // namespace
}  // namespace spinlab
