// libFuzzer target for the text conversions behind every text box: whatever the user types,
// conversion either gives a number that obeys the rounding and range rules or raises the
// conversion error that names the text, and the text boxes' cached reading agrees with it.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/controls.h"
#include "core/errors.h"
#include "core/runtime.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace spinlab;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ParsedNumber parsed = parseNumber(text);
    if (parsed.value) check(std::isfinite(*parsed.value));

    // Blanks around a text never change what it reads as.
    const ParsedNumber padded = parseNumber(" \t" + text + "\t ");
    check(padded.value.has_value() == parsed.value.has_value());
    if (parsed.value) check(*padded.value == *parsed.value);

    try {
        const double d = CDbl(text);
        check(parsed.value && d == *parsed.value);
    } catch (const ConversionError& e) {
        check(!parsed.value && e.text() == text);
    }

    bool cintOk = false;
    std::int16_t cint = 0;
    try {
        cint = CInt(text);
        cintOk = true;
        check(parsed.value && Round(*parsed.value) == cint);
    } catch (const ConversionError& e) {
        check(e.text() == text);
        if (parsed.value) check(std::fabs(Round(*parsed.value)) > 32767.0);
    }

    // A text box reads the same number, or fails with its own name on it.
    InputEpoch epoch;
    TextBox box("GridSize", "Lattice Size", "", epoch);
    box.setText(text);
    try {
        check(box.cint() == cint && cintOk);
    } catch (const ConversionError& e) {
        check(!cintOk && e.input() == "Lattice Size");
    }

    // Whole numbers written with separators read back as themselves.
    if (parsed.value && std::fabs(*parsed.value) < 9e15 &&
        *parsed.value == std::floor(*parsed.value)) {
        const auto whole = static_cast<std::int64_t>(*parsed.value);
        const ParsedNumber again = parseNumber(FormatThousands(whole));
        check(again.value && *again.value == static_cast<double>(whole));
    }
    return 0;
}
