#pragma once
// The three errors the platform raises. Nothing inside a simulation catches them: they end the
// running handler and any loop inside it, and the handler's caller turns them into a message.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace spinlab {

class PlatformError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text that is not a number, or one that CInt cannot fit in -32768..32767.
class ConversionError : public PlatformError {
public:
    // `input` names the control in the user's words ("Lattice Size"); empty when unknown.
    // `wholeNumber`: CInt's range was left; else the number is beyond any double.
    ConversionError(std::string input, std::string text, bool outOfRange, bool wholeNumber = true);
    const std::string& input() const { return input_; }
    const std::string& text() const { return text_; }
    bool outOfRange() const { return outOfRange_; }
    // An out-of-range text below the range rather than above it.
    bool belowRange() const;
    ConversionError withInput(std::string input) const;

private:
    std::string input_;
    std::string text_;
    bool outOfRange_;
    bool wholeNumber_;
};

// An index outside an array's declared bounds.
class BoundsError : public PlatformError {
public:
    BoundsError(std::string array, std::int64_t index, std::int64_t lower, std::int64_t upper);
    const std::string& array() const { return array_; }
    std::int64_t index() const { return index_; }
    std::int64_t lower() const { return lower_; }
    std::int64_t upper() const { return upper_; }

private:
    std::string array_;
    std::int64_t index_;
    std::int64_t lower_;
    std::int64_t upper_;
};

// A 16-bit or 32-bit whole number leaving its range.
class OverflowError : public PlatformError {
public:
    OverflowError(std::string what, double value);
    const std::string& quantity() const { return quantity_; }
    double value() const { return value_; }

private:
    std::string quantity_;
    double value_;
};

// A text the user typed, in double quotes for a message; a long one is cut to its first 40
// bytes (never inside a UTF-8 character) and an ellipsis.
std::string quoteInput(const std::string& text);

// Thrown out of the event pump after End, so that every running loop unwinds to its handler.
struct EndRequested {};

}  // namespace spinlab
