// The run-time functions: text conversion without locale, banker's rounding, the overflow check,
// the thousands format and the palette.

#include "core/runtime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "core/errors.h"

namespace spinlab {
namespace {

struct NumberRow {
    const char* text;
    double value;
};
std::ostream& operator<<(std::ostream& out, const NumberRow& r) {
    return out << '"' << r.text << '"';
}

class CDblAccepts : public ::testing::TestWithParam<NumberRow> {};

TEST_P(CDblAccepts, ReadsTheNumberWritten) {
    const NumberRow& row = GetParam();
    EXPECT_EQ(CDbl(row.text), row.value) << '"' << row.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CDblAccepts,
    ::testing::Values(NumberRow{"60", 60}, NumberRow{"2.2619", 2.2619}, NumberRow{"  60\t", 60},
                      NumberRow{"+7", 7}, NumberRow{"-7", -7}, NumberRow{".5", 0.5},
                      NumberRow{"-.25", -0.25}, NumberRow{"5.", 5}, NumberRow{"1,000", 1000},
                      NumberRow{"1,234,567.5", 1234567.5}, NumberRow{"1e3", 1000},
                      NumberRow{"1E3", 1000}, NumberRow{"1d3", 1000}, NumberRow{"1D-3", 0.001},
                      NumberRow{"2.5e+1", 25},
                      // Beyond the smallest double a number is simply zero.
                      NumberRow{"1e-400", 0}, NumberRow{"-1e-400", 0},
                      // &H and &O literals are 16-bit when they fit in 16 bits, else 32-bit.
                      NumberRow{"&H10", 16}, NumberRow{"&h1f", 31}, NumberRow{" &H7FFF ", 32767},
                      NumberRow{"&HFFFF", -1}, NumberRow{"&H8000", -32768},
                      NumberRow{"&H10000", 65536}, NumberRow{"&HFFFFFFFF", -1},
                      NumberRow{"&H80000000", -2147483648.0}, NumberRow{"&O17", 15},
                      NumberRow{"&o777", 511}, NumberRow{"&O177777", -1}));

struct FailureRow {
    const char* text;
    bool outOfRange;
};
std::ostream& operator<<(std::ostream& out, const FailureRow& r) {
    return out << '"' << r.text << '"';
}

class CDblRefuses : public ::testing::TestWithParam<FailureRow> {};

TEST_P(CDblRefuses, WithAConversionErrorThatKeepsTheText) {
    const FailureRow& row = GetParam();
    try {
        CDbl(row.text);
        ADD_FAILURE() << '"' << row.text << "\" was accepted";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.text(), row.text);
        EXPECT_EQ(e.outOfRange(), row.outOfRange) << '"' << row.text << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CDblRefuses,
    ::testing::Values(
        FailureRow{"", false}, FailureRow{"   ", false}, FailureRow{"abc", false},
        FailureRow{"12abc", false}, FailureRow{"NaN", false}, FailureRow{"nan", false},
        FailureRow{"inf", false}, FailureRow{"-inf", false}, FailureRow{"Infinity", false},
        FailureRow{"1 000", false}, FailureRow{"--1", false}, FailureRow{"-", false},
        FailureRow{".", false}, FailureRow{"0x10", false},
        // A thousands comma must stand between two digits.
        FailureRow{",100", false}, FailureRow{"100,", false}, FailureRow{"1,,000", false},
        FailureRow{"1.000,5", false}, FailureRow{"2,5", false}, FailureRow{"1,2", false},
        FailureRow{"1234,567", false}, FailureRow{"0,500", false}, FailureRow{"1,000,00", false},
        FailureRow{"1.2.3", false}, FailureRow{"1e", false}, FailureRow{"1e+", false},
        FailureRow{"e5", false}, FailureRow{"&H", false}, FailureRow{"&HG", false},
        FailureRow{"&O8", false}, FailureRow{"1e400", true}, FailureRow{"-1e400", true},
        FailureRow{"&H100000000", true}));

TEST(CDbl, ANumberWithMoreDigitsThanADoubleHoldsIsTooLarge) {
    const std::string huge = "1" + std::string(400, '0');
    try {
        CDbl(huge);
        ADD_FAILURE() << "accepted";
    } catch (const ConversionError& e) {
        EXPECT_TRUE(e.outOfRange());
    }
}

// Texts too long for a double's range: what they denote decides, not the exponent's sign.
TEST(Conversions, ATextBeyondADoubleIsJudgedByItsValue) {
    const std::string zeros400(400, '0');
    const std::string zeros330(330, '0');
    for (const std::string sign : {"", "-", "+"}) {
        SCOPED_TRACE("sign \"" + sign + "\"");
        // 10^399 and 10^1000000000000 overflow: the conversion error, for CDbl and CInt alike.
        for (const std::string& huge :
             {sign + "1" + zeros400 + "e-1", sign + "1" + zeros400, sign + "1e1000000000000",
              sign + "0.000001e315", sign + "1" + zeros400 + ".5"}) {
            SCOPED_TRACE(huge.substr(0, 12));
            for (const bool viaCInt : {false, true}) {
                try {
                    if (viaCInt) {
                        CInt(huge);
                    } else {
                        CDbl(huge);
                    }
                    ADD_FAILURE() << "accepted";
                } catch (const ConversionError& e) {
                    EXPECT_TRUE(e.outOfRange());
                    EXPECT_EQ(e.text(), huge);
                }
            }
        }
        // 10^-331 and 10^-1000000000000 underflow: zero, keeping the sign.
        for (const std::string& tiny :
             {sign + "0." + zeros330 + "1", sign + "." + zeros330 + "1", sign + "1e-1000000000000",
              sign + "100000e-330", sign + "0e1000000000000"}) {
            SCOPED_TRACE(tiny.substr(0, 12));
            EXPECT_EQ(CDbl(tiny), 0.0);
            EXPECT_EQ(std::signbit(CDbl(tiny)), sign == "-");
            EXPECT_EQ(CInt(tiny), 0);
        }
        // Long texts whose value lies inside the range read as that value.
        const double s = sign == "-" ? -1.0 : 1.0;
        EXPECT_EQ(CDbl(sign + "1" + zeros400 + "e-395"), s * 100000);
        EXPECT_EQ(CInt(sign + "0." + zeros330 + "25e334"), s * 2500);
        EXPECT_EQ(CDbl(sign + "0." + zeros330 + "1e331"), s * 1);
    }
}

struct CIntRow {
    const char* text;
    int value;
};
std::ostream& operator<<(std::ostream& out, const CIntRow& r) {
    return out << '"' << r.text << '"';
}

class CIntReads : public ::testing::TestWithParam<CIntRow> {};

TEST_P(CIntReads, RoundingHalfToEven) {
    const CIntRow& row = GetParam();
    EXPECT_EQ(CInt(row.text), row.value) << '"' << row.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CIntReads,
    ::testing::Values(CIntRow{"2.5", 2}, CIntRow{"3.5", 4}, CIntRow{"1.5", 2}, CIntRow{"0.5", 0},
                      CIntRow{"-0.5", 0}, CIntRow{"-1.5", -2}, CIntRow{"-2.5", -2},
                      CIntRow{"2.5000001", 3}, CIntRow{"0.3", 0}, CIntRow{"-0.51", -1},
                      CIntRow{"32767", 32767}, CIntRow{"32767.4", 32767}, CIntRow{"-32768", -32768},
                      CIntRow{"-32768.5", -32768}, CIntRow{" 60 ", 60}, CIntRow{"6e1", 60},
                      CIntRow{"1,000", 1000}, CIntRow{"1e-400", 0}, CIntRow{"&HFFFF", -1},
                      CIntRow{"&H8000", -32768}, CIntRow{"&O17", 15}));

class CIntRefuses : public ::testing::TestWithParam<FailureRow> {};

TEST_P(CIntRefuses, WithAConversionErrorThatSaysWhy) {
    const FailureRow& row = GetParam();
    try {
        CInt(row.text);
        ADD_FAILURE() << '"' << row.text << "\" was accepted";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.text(), row.text);
        EXPECT_EQ(e.outOfRange(), row.outOfRange) << '"' << row.text << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, CIntRefuses,
                         ::testing::Values(FailureRow{"32767.5", true}, FailureRow{"32768", true},
                                           FailureRow{"40000", true}, FailureRow{"-32768.6", true},
                                           FailureRow{"-32769", true}, FailureRow{"&H10000", true},
                                           FailureRow{"1e400", true}, FailureRow{"", false},
                                           FailureRow{"abc", false}, FailureRow{"NaN", false},
                                           FailureRow{"inf", false}, FailureRow{"1,0,", false}));

struct RoundRow {
    double value;
    double rounded;
};
std::ostream& operator<<(std::ostream& out, const RoundRow& r) {
    return out << r.value;
}

class RoundHalfToEven : public ::testing::TestWithParam<RoundRow> {};

TEST_P(RoundHalfToEven, InDoubleAndSingle) {
    const RoundRow& row = GetParam();
    EXPECT_EQ(Round(row.value), row.rounded) << row.value;
    EXPECT_EQ(Round(static_cast<float>(row.value)), static_cast<float>(row.rounded)) << row.value;
}

INSTANTIATE_TEST_SUITE_P(Values, RoundHalfToEven,
                         ::testing::Values(RoundRow{0.5, 0}, RoundRow{1.5, 2}, RoundRow{2.5, 2},
                                           RoundRow{3.5, 4}, RoundRow{-0.5, 0}, RoundRow{-1.5, -2},
                                           RoundRow{-2.5, -2}, RoundRow{2.49, 2}, RoundRow{2.51, 3},
                                           RoundRow{-2.51, -3}, RoundRow{7, 7}));

TEST(Int, IsTheFloorAlsoForNegativeValues) {
    const RoundRow rows[] = {{2.9, 2}, {2, 2},     {0, 0},        {-0.5, -1},
                             {-2, -2}, {-2.1, -3}, {-1.0001, -2}, {1e10 + 0.5, 1e10}};
    for (const RoundRow& row : rows)
        EXPECT_EQ(Int(row.value), row.rounded) << row.value;
}

TEST(ToInt32, RoundsHalfToEvenWithinTheRange) {
    EXPECT_EQ(ToInt32(2.5, "x"), 2);
    EXPECT_EQ(ToInt32(-3.5, "x"), -4);
    EXPECT_EQ(ToInt32(2147483647.4, "x"), 2147483647);
    EXPECT_EQ(ToInt32(-2147483648.5, "x"), std::numeric_limits<std::int32_t>::min());
}

TEST(ToInt32, RaisesOverflowNamingTheQuantity) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {2147483647.5, 2147483648.0, -2147483648.6, 1e12, inf, -inf,
                     std::numeric_limits<double>::quiet_NaN()}) {
        try {
            ToInt32(v, "site index");
            ADD_FAILURE() << v << " was accepted";
        } catch (const OverflowError& e) {
            EXPECT_EQ(e.quantity(), "site index");
        }
    }
}

TEST(FormatThousands, GroupsDigitsInThrees) {
    const std::pair<std::int64_t, const char*> rows[] = {
        {0, "0"},
        {7, "7"},
        {999, "999"},
        {1000, "1,000"},
        {100000, "100,000"},
        {1234567, "1,234,567"},
        {-1, "-1"},
        {-999, "-999"},
        {-1000, "-1,000"},
        {-1234567, "-1,234,567"},
        {std::numeric_limits<std::int64_t>::min(), "-9,223,372,036,854,775,808"},
    };
    for (const auto& [value, text] : rows)
        EXPECT_EQ(FormatThousands(value), text);
}

TEST(QBColor, GivesThePaletteColoursTheProgramUses) {
    EXPECT_EQ(QBColor(0), 0x000000);
    EXPECT_EQ(QBColor(9), 0x0000FF);
    EXPECT_EQ(QBColor(15), 0xFFFFFF);
}

TEST(QBColor, RefusesAnIndexOutsideThePalette) {
    EXPECT_THROW(QBColor(-1), BoundsError);
    EXPECT_THROW(QBColor(16), BoundsError);
    try {
        QBColor(16);
    } catch (const BoundsError& e) {
        EXPECT_EQ(e.index(), 16);
        EXPECT_EQ(e.lower(), 0);
        EXPECT_EQ(e.upper(), 15);
    }
}

}  // namespace
}  // namespace spinlab
