#include "core/runtime.h"

#include <atomic>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/errors.h"

namespace spinlab {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// &H / &O literals: up to 16 bits they read as a signed 16-bit value, up to 32 bits as a signed
// 32-bit value, like the platform's integer literals.
ParsedNumber parseRadix(std::string_view digits, int radix) {
    ParsedNumber out;
    if (digits.empty() || digits.size() > 32) return out;
    std::uint64_t v = 0;
    for (char c : digits) {
        int d;
        if (isDigit(c)) {
            d = c - '0';
        } else if (radix == 16 && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (radix == 16 && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            return out;
        }
        if (d >= radix) return out;
        v = v * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
        if (v > 0xFFFFFFFFull) {
            out.failure = ParseFailure::TooLarge;
            return out;
        }
    }
    if (v <= 0xFFFF) {
        out.value = static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(v)));
    } else {
        out.value = static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
    }
    return out;
}

}  // namespace

namespace {
std::atomic<std::uint64_t> parsedTexts{0};
std::atomic<std::uint64_t> parsedCharacters{0};
}  // namespace

ParseWork parseWork() {
    return {parsedTexts.load(std::memory_order_relaxed),
            parsedCharacters.load(std::memory_order_relaxed)};
}

ParsedNumber parseNumber(std::string_view text) {
    parsedTexts.fetch_add(1, std::memory_order_relaxed);
    parsedCharacters.fetch_add(text.size(), std::memory_order_relaxed);
    std::string_view s = trim(text);
    ParsedNumber out;
    if (s.empty()) return out;
    if (s.front() == '&') {
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == 'H' || s.front() == 'h'))
            return parseRadix(s.substr(1), 16);
        if (!s.empty() && (s.front() == 'O' || s.front() == 'o')) return parseRadix(s.substr(1), 8);
        return parseRadix(s, 8);
    }

    // Decimal: rebuild a clean copy for from_chars (which rejects '+', commas and 'd').
    std::string clean;
    clean.reserve(s.size());
    std::size_t i = 0;
    if (s[i] == '+' || s[i] == '-') {
        if (s[i] == '-') clean.push_back('-');
        ++i;
    }
    std::size_t mantissaDigits = 0;
    // Where the first nonzero digit stands (its power of ten, before the exponent), so that a
    // number beyond a double's range can be told too large or too small by its value.
    std::int64_t leadingPower = 0;
    bool nonzero = false;
    // Thousands separators only in whole groups of three ("12,345,678"), so a decimal comma
    // ("2,5") fails as not a number instead of reading as 25.
    std::size_t group = 0;
    bool grouped = false;
    const std::size_t integerStart = i;
    while (i < s.size() && (isDigit(s[i]) || s[i] == ',')) {
        if (s[i] == ',') {
            const bool firstGroupOk =
                !grouped && group >= 1 && group <= 3 && s[integerStart] != '0';
            if (!(firstGroupOk || (grouped && group == 3))) return out;
            grouped = true;
            group = 0;
        } else {
            clean.push_back(s[i]);
            ++mantissaDigits;
            ++group;
            if (nonzero) {
                ++leadingPower;
            } else if (s[i] != '0') {
                nonzero = true;
            }
        }
        ++i;
    }
    if (grouped && group != 3) return out;
    if (i < s.size() && s[i] == '.') {
        clean.push_back('.');
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            clean.push_back(s[i]);
            ++mantissaDigits;
            if (!nonzero) {
                --leadingPower;
                nonzero = s[i] != '0';
            }
            ++i;
        }
    }
    if (mantissaDigits == 0) return out;
    std::int64_t exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        clean.push_back('e');
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            negativeExponent = s[i] == '-';
            if (negativeExponent) clean.push_back('-');
            ++i;
        }
        std::size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) {
            clean.push_back(s[i]);
            // Far beyond any double's range the exact size no longer matters.
            exponent = std::min<std::int64_t>(exponent * 10 + (s[i] - '0'), 1'000'000'000);
            ++expDigits;
            ++i;
        }
        if (expDigits == 0) return out;
        if (negativeExponent) exponent = -exponent;
    }
    if (i != s.size()) return out;

    double v = 0.0;
    const char* first = clean.data();
    const char* last = clean.data() + clean.size();
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // from_chars reports overflow and underflow alike: a number of at least 1 is too large
        // for a double, one below 1 is simply zero.
        if (nonzero && leadingPower + exponent >= 0) {
            out.failure = ParseFailure::TooLarge;
        } else {
            out.value = (clean.front() == '-') ? -0.0 : 0.0;
        }
        return out;
    }
    if (ec != std::errc() || ptr != last || !std::isfinite(v)) {
        if (ec == std::errc() && !std::isfinite(v)) out.failure = ParseFailure::TooLarge;
        return out;
    }
    out.value = v;
    return out;
}

CIntReading readCInt(std::string_view text) {
    const ParsedNumber n = parseNumber(text);
    CIntReading out;
    if (!n.value) {
        out.outOfRange = n.failure == ParseFailure::TooLarge;
        return out;
    }
    const double r = Round(*n.value);
    if (r < -32768.0 || r > 32767.0) {
        out.outOfRange = true;
    } else {
        out.value = static_cast<std::int16_t>(r);
    }
    return out;
}

std::int16_t CInt(std::string_view text) {
    const CIntReading reading = readCInt(text);
    if (!reading.value) throw ConversionError("", std::string(text), reading.outOfRange);
    return *reading.value;
}

double CDbl(std::string_view text) {
    ParsedNumber n = parseNumber(text);
    if (!n.value) {
        throw ConversionError("", std::string(text), n.failure == ParseFailure::TooLarge, false);
    }
    return *n.value;
}

double Round(double value) {
    return std::nearbyint(value);
}
float Round(float value) {
    return std::nearbyint(value);
}

std::int32_t ToInt32(double value, const char* quantity) {
    double r = Round(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw OverflowError(quantity, value);
    return static_cast<std::int32_t>(r);
}

double Int(double value) {
    return std::floor(value);
}

std::string FormatThousands(std::int64_t value) {
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::string digits = std::to_string(magnitude);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    if (value < 0) out.push_back('-');
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

Color QBColor(int index) {
    static constexpr std::array<Color, 16> kPalette = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
        0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
    };
    if (index < 0 || index > 15) throw BoundsError("QBColor palette", index, 0, 15);
    return kPalette[static_cast<std::size_t>(index)];
}

}  // namespace spinlab
