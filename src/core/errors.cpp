#include "core/errors.h"

#include <cmath>
#include <sstream>

namespace spinlab {

std::string quoteInput(const std::string& text) {
    constexpr std::size_t kMax = 40;
    if (text.size() <= kMax) return "\"" + text + "\"";
    std::size_t cut = kMax;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;  // keep UTF-8 whole
    return "\"" + text.substr(0, cut) + "...\"";
}

namespace {

bool startsNegative(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first != std::string::npos && text[first] == '-';
}

// Why the text is refused, in terms the user can act on: a temperature, like every number the
// boxes read, must first pass CInt's whole-number test.
std::string conversionMessage(const std::string& input, const std::string& text, bool outOfRange,
                              bool wholeNumber) {
    std::string subject = input.empty() ? std::string("The text") : input;
    if (outOfRange) {
        const std::string size = startsNegative(text) ? " is too small" : " is too large";
        if (!wholeNumber)
            return subject + " " + quoteInput(text) + size + " to be read as a number";
        const std::string what = input == "Temp"    ? "temperatures"
                                 : input == "Field" ? "fields"
                                                    : "whole numbers here";
        return subject + " " + quoteInput(text) + size + ": " + what +
               " must lie between -32768 and 32767";
    }
    if (text.empty()) return subject + " is empty, not a number";
    return subject + " " + quoteInput(text) + " is not a number";
}

std::string formatValue(double value) {
    std::ostringstream out;
    if (std::isfinite(value) && std::fabs(value) < 1e18 && value == std::floor(value)) {
        out << static_cast<long long>(value);
    } else {
        out << value;
    }
    return out.str();
}

}  // namespace

ConversionError::ConversionError(std::string input, std::string text, bool outOfRange,
                                 bool wholeNumber)
    : PlatformError(conversionMessage(input, text, outOfRange, wholeNumber)),
      input_(std::move(input)),
      text_(std::move(text)),
      outOfRange_(outOfRange),
      wholeNumber_(wholeNumber) {}

bool ConversionError::belowRange() const {
    return outOfRange_ && startsNegative(text_);
}

ConversionError ConversionError::withInput(std::string input) const {
    return ConversionError(std::move(input), text_, outOfRange_, wholeNumber_);
}

BoundsError::BoundsError(std::string array, std::int64_t index, std::int64_t lower,
                         std::int64_t upper)
    : PlatformError("index " + std::to_string(index) + " of " + array + " is outside " +
                    std::to_string(lower) + ".." + std::to_string(upper)),
      array_(std::move(array)),
      index_(index),
      lower_(lower),
      upper_(upper) {}

OverflowError::OverflowError(std::string what, double value)
    : PlatformError(what + " " + formatValue(value) + " overflows its whole-number range"),
      quantity_(std::move(what)),
      value_(value) {}

}  // namespace spinlab
