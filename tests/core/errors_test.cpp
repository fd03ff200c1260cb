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

TEST(ConversionErrorMessage, SaysWhyTheNumberIsOutOfRange) {
    EXPECT_STREQ(ConversionError("Temp", "1e308", true).what(),
                 "Temp \"1e308\" is too large: temperatures must lie between -32768 and 32767");
    EXPECT_THAT(ConversionError("Temp", " -40000", true).what(), HasSubstr("is too small"));
    // CDbl's range is that of any number, not CInt's.
    EXPECT_STREQ(ConversionError("Field", "1e400", true, false).what(),
                 "Field \"1e400\" is too large to be read as a number");
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
