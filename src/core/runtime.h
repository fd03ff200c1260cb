#pragma once
// The run-time functions the simulations call, with the old platform's exact rounding and
// conversion rules: banker's rounding everywhere, 16-bit CInt, texts parsed without locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace spinlab {

// A palette colour as 0xRRGGBB; kNoColor is what Point answers outside a surface.
using Color = std::int32_t;
inline constexpr Color kNoColor = -1;

// Why a text failed to convert.
enum class ParseFailure { NotANumber, TooLarge };

struct ParsedNumber {
    std::optional<double> value;
    ParseFailure failure = ParseFailure::NotANumber;
};

// Reads a number the way the text boxes are read: surrounding blanks ignored, an optional sign,
// digits with optional thousands commas, an optional fraction and exponent (e, E, d or D), or a
// hexadecimal (&H) or octal (&O) literal. Independent of the process locale.
ParsedNumber parseNumber(std::string_view text);

// How many texts parseNumber has read, and how many characters they held: what the boxes'
// readings have cost so far (the tests count it).
struct ParseWork {
    std::uint64_t texts = 0;
    std::uint64_t characters = 0;
};
ParseWork parseWork();

// CInt's reading of a text without throwing: the number rounded half-to-even to a 16-bit
// integer, or none, and then whether the text was a number out of that range.
struct CIntReading {
    std::optional<std::int16_t> value;
    bool outOfRange = false;
};
CIntReading readCInt(std::string_view text);
// CInt: readCInt's value; throws ConversionError without one.
std::int16_t CInt(std::string_view text);
// CDbl: the text's number as a double. Throws ConversionError.
double CDbl(std::string_view text);

// Round with 0 places: half-to-even.
double Round(double value);
float Round(float value);
// Conversion of a real value where a 32-bit whole number is needed; throws OverflowError naming
// `quantity` outside the 32-bit range.
std::int32_t ToInt32(double value, const char* quantity);
// Int: the largest whole number not above the argument.
double Int(double value);

// Format(value, "#,###,##0"): digits grouped in threes with commas, "0" for zero.
std::string FormatThousands(std::int64_t value);

// QBColor: the 16-colour palette (0 black, 9 light blue, 15 bright white).
Color QBColor(int index);

}  // namespace spinlab
