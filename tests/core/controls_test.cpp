// The controls as plain values: what an edit changes, when the change event fires, and how the
// inputs the loops read are converted.

#include "core/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace spinlab {
namespace {

struct GridSizeBox : ::testing::Test {
    InputEpoch epoch;
    TextBox box{"GridSize", "Lattice Size", "60", epoch};
    int changes = 0;
    std::vector<std::string> seen;
    GridSizeBox() {
        box.onChange = [this] {
            ++changes;
            seen.push_back(box.Text());
        };
    }
};

TEST_F(GridSizeBox, CIntFollowsEveryEdit) {
    EXPECT_EQ(box.cint(), 60);
    EXPECT_EQ(box.cint(), 60);
    box.setText("61");
    EXPECT_EQ(box.cint(), 61);
    box.setText("2.5");
    EXPECT_EQ(box.cint(), 2);
    box.setText("60");
    EXPECT_EQ(box.cint(), 60);
}

TEST_F(GridSizeBox, ABadTextRaisesAtEveryReadUntilItIsFixed) {
    box.setText("6O");
    for (int i = 0; i < 2; ++i) {
        try {
            box.cint();
            FAIL() << "accepted";
        } catch (const ConversionError& e) {
            EXPECT_EQ(e.input(), "Lattice Size");
            EXPECT_EQ(e.text(), "6O");
            EXPECT_FALSE(e.outOfRange());
            EXPECT_NE(std::string(e.what()).find("Lattice Size"), std::string::npos);
        }
    }
    box.setText("40000");
    try {
        box.cint();
        FAIL() << "accepted";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.text(), "40000");
        EXPECT_TRUE(e.outOfRange());
    }
    box.setText("1e400");
    EXPECT_THROW(box.cint(), ConversionError);
    box.setText("");
    EXPECT_THROW(box.cint(), ConversionError);
    box.setText("12");
    EXPECT_EQ(box.cint(), 12);
}

TEST_F(GridSizeBox, CDblReadsTheTextAndNamesTheBoxOnError) {
    box.setText("2.2619");
    EXPECT_EQ(box.cdbl(), 2.2619);
    box.setText("40000");
    EXPECT_EQ(box.cdbl(), 40000.0);  // only CInt has the 16-bit range
    box.setText("warm");
    try {
        box.cdbl();
        FAIL() << "accepted";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.input(), "Lattice Size");
        EXPECT_EQ(e.text(), "warm");
    }
}

TEST_F(GridSizeBox, ChangeFiresOncePerActualChangeWithTheNewText) {
    const std::uint64_t epochBefore = epoch.value;
    const std::uint64_t versionBefore = box.version();
    box.setText("60");  // the same text: no change
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(epoch.value, epochBefore);
    EXPECT_EQ(box.version(), versionBefore);

    box.setText("6");
    box.setText("6");
    box.setText("61");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(seen, (std::vector<std::string>{"6", "61"}));
    EXPECT_EQ(epoch.value, epochBefore + 2);
    EXPECT_EQ(box.version(), versionBefore + 2);
}

TEST_F(GridSizeBox, TypingIsRefusedWhileDisabledOrLocked) {
    box.setEnabled(false);
    EXPECT_FALSE(box.type("100"));
    box.setEnabled(true);
    box.setLocked(true);
    EXPECT_FALSE(box.type("100"));
    EXPECT_EQ(box.Text(), "60");
    EXPECT_EQ(changes, 0);

    // The program itself may still write a locked box.
    box.setText("70");
    EXPECT_EQ(box.Text(), "70");
    box.setLocked(false);
    EXPECT_TRUE(box.type("100"));
    EXPECT_EQ(box.Text(), "100");
    EXPECT_EQ(box.cint(), 100);
    EXPECT_EQ(changes, 2);
}

TEST_F(GridSizeBox, ProgramChangesAreMarkedForTheBackend) {
    box.takeChanged();
    box.setLocked(false);  // already unlocked
    EXPECT_FALSE(box.takeChanged());
    box.setLocked(true);
    EXPECT_TRUE(box.takeChanged());
    box.setText("5");
    EXPECT_TRUE(box.takeChanged());
    EXPECT_FALSE(box.takeChanged());
}

struct Dynamics : ::testing::Test {
    InputEpoch epoch;
    OptionButton metropolis{"Metropolis", "Metropolis", true, epoch};
    OptionButton glauber{"Glauber", "Glauber", false, epoch};
    std::vector<OptionButton*> group{&metropolis, &glauber};
    Dynamics() {
        metropolis.joinGroup(&group);
        glauber.joinGroup(&group);
    }
};

TEST_F(Dynamics, SelectingOneClearsTheOtherAndBumpsTheEpoch) {
    std::uint64_t epochBefore = epoch.value;
    glauber.setValue(true);
    EXPECT_TRUE(glauber.Value());
    EXPECT_FALSE(metropolis.Value());
    EXPECT_GT(epoch.value, epochBefore);

    epochBefore = epoch.value;
    metropolis.setValue(true);
    EXPECT_TRUE(metropolis.Value());
    EXPECT_FALSE(glauber.Value());
    EXPECT_GT(epoch.value, epochBefore);
}

TEST_F(Dynamics, ClearingTheSelectedButtonLeavesNoneSelected) {
    metropolis.setValue(false);
    EXPECT_FALSE(metropolis.Value());
    EXPECT_FALSE(glauber.Value());
}

TEST_F(Dynamics, BothButtonsReportTheirChangeToTheBackend) {
    metropolis.takeChanged();
    glauber.takeChanged();
    glauber.setValue(true);
    EXPECT_TRUE(metropolis.takeChanged());
    EXPECT_TRUE(glauber.takeChanged());
    glauber.setValue(true);  // already selected
    EXPECT_FALSE(metropolis.takeChanged());
    EXPECT_FALSE(glauber.takeChanged());
}

TEST(Label, ShowsTheLastCaptionOrNumberWritten) {
    Label label("Label1", "Label1");
    EXPECT_EQ(label.Caption(), "Label1");
    label.setNumber(1);
    EXPECT_EQ(label.Caption(), "1");
    label.setNumber(1234567);
    EXPECT_EQ(label.Caption(), "1234567");  // plain digits, no separators
    label.setCaption("1,234,568");
    EXPECT_EQ(label.Caption(), "1,234,568");
    label.setNumber(0);
    EXPECT_EQ(label.Caption(), "0");
    label.setCaption("");
    EXPECT_EQ(label.Caption(), "");
}

TEST(Label, GroupedNumbersCarryACommaEveryThreeDigits) {
    Label label("Label1", "Label1");
    const std::pair<std::uint64_t, const char*> rows[] = {{0, "0"},
                                                          {1, "1"},
                                                          {999, "999"},
                                                          {1000, "1,000"},
                                                          {1234567, "1,234,567"},
                                                          {2147483647, "2,147,483,647"}};
    for (auto [count, shown] : rows) {
        label.setGroupedNumber(count);
        EXPECT_EQ(label.Caption(), shown);
    }
    label.takeChanged();
    label.setNumber(1234567);  // a plain count again drops the separators
    EXPECT_TRUE(label.takeChanged());
    EXPECT_EQ(label.Caption(), "1234567");
}

TEST(ScrollBar, KeepsItsValueWithinItsRange) {
    ScrollBar bar("HScroll1", 0, 200, 300);
    EXPECT_EQ(bar.Value(), 200);
    const std::pair<int, int> rows[] = {{50, 50}, {-5, 0}, {0, 0}, {200, 200}, {201, 200}};
    for (auto [set, expected] : rows) {
        bar.setValue(set);
        EXPECT_EQ(bar.Value(), expected) << set;
    }
    bar.takeChanged();
    bar.setValue(500);  // clamped to the value it already has
    EXPECT_FALSE(bar.takeChanged());
    EXPECT_EQ(ScrollBar("s", 0, 200, -1).Value(), 0);
}

}  // namespace
}  // namespace spinlab
