// What the user reads when a platform error ends a handler: the input or array, and the value.

#include "core/errors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "core/runtime.h"

namespace spinlab {
namespace {

using ::testing::HasSubstr;

TEST(ConversionErrorMessage, NamesTheInputAndTheText) {
    const ConversionError e("Lattice Size", "abc", false);
    EXPECT_THAT(e.what(), HasSubstr("Lattice Size"));
    EXPECT_THAT(e.what(), HasSubstr("\"abc\""));
    EXPECT_THAT(e.what(), HasSubstr("not a number"));
}

TEST(ConversionErrorMessage, SaysWhenTheNumberIsOutOfRange) {
    const ConversionError e("Temp", "40000", true);
    EXPECT_THAT(e.what(), HasSubstr("Temp"));
    EXPECT_THAT(e.what(), HasSubstr("\"40000\""));
    EXPECT_THAT(e.what(), HasSubstr("-32768..32767"));
}

TEST(ConversionErrorMessage, SaysWhenTheBoxIsEmpty) {
    const ConversionError e("Lattice Size", "", false);
    EXPECT_THAT(e.what(), HasSubstr("Lattice Size"));
    EXPECT_THAT(e.what(), HasSubstr("empty"));
}

TEST(ConversionErrorMessage, FromCIntNamesTheInputOnceItIsKnown) {
    try {
        CInt("12x");
        FAIL() << "accepted";
    } catch (const ConversionError& e) {
        const ConversionError named = e.withInput("Number of Chain Units");
        EXPECT_EQ(named.input(), "Number of Chain Units");
        EXPECT_EQ(named.text(), "12x");
        EXPECT_FALSE(named.outOfRange());
        EXPECT_THAT(named.what(), HasSubstr("Number of Chain Units \"12x\""));
    }
}

TEST(ConversionErrorMessage, ShortensALongTextWithoutSplittingACharacter) {
    // 39 letters and then a two-byte character straddling the cut.
    const std::string text = std::string(39, 'x') + "\xC3\xA9" + std::string(20, 'y');
    const ConversionError e("Temp", text, false);
    const std::string message = e.what();
    EXPECT_THAT(message, HasSubstr(std::string(39, 'x') + "...\""));
    EXPECT_EQ(message.find('y'), std::string::npos);
    EXPECT_EQ(e.text(), text);
}

TEST(BoundsErrorMessage, NamesTheArrayTheIndexAndTheBounds) {
    const BoundsError e("Lattice2D", 1001, 0, 1000);
    EXPECT_THAT(e.what(), HasSubstr("Lattice2D"));
    EXPECT_THAT(e.what(), HasSubstr("1001"));
    EXPECT_THAT(e.what(), HasSubstr("0..1000"));
    EXPECT_EQ(e.array(), "Lattice2D");
    EXPECT_EQ(e.index(), 1001);
}

TEST(OverflowErrorMessage, NamesTheQuantityAndTheValue) {
    EXPECT_THAT(OverflowError("site index", 3e9).what(), HasSubstr("site index 3000000000"));
    EXPECT_THAT(OverflowError("site index", 2.5e30).what(), HasSubstr("2.5e+30"));
}

}  // namespace
}  // namespace spinlab
