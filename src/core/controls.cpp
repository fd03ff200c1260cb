#include "core/controls.h"

#include <algorithm>

namespace spinlab {

TextBox::TextBox(std::string name, std::string inputName, std::string text, InputEpoch& epoch)
    : Control(std::move(name)),
      inputName_(std::move(inputName)),
      text_(std::move(text)),
      epoch_(epoch) {}

void TextBox::setText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    ++version_;
    ++epoch_.value;
    markChanged();
    if (onChange) onChange();
}

bool TextBox::type(std::string text) {
    if (!enabled_ || locked_) return false;
    setText(std::move(text));
    return true;
}

void TextBox::setEnabled(bool on) {
    if (enabled_ != on) {
        enabled_ = on;
        markChanged();
    }
}

void TextBox::throwCIntError() const {
    throw ConversionError(inputName_, text_, cint_.outOfRange);
}

double TextBox::cdbl() const {
    try {
        return CDbl(text_);
    } catch (const ConversionError& e) {
        throw e.withInput(inputName_);
    }
}

Label::Label(std::string name, std::string caption)
    : Control(std::move(name)), caption_(std::move(caption)) {}

void Label::setCaption(std::string caption) {
    caption_ = std::move(caption);
    isNumber_ = false;
    markChanged();
}

std::string Label::Caption() const {
    if (!isNumber_) return caption_;
    return grouped_ ? FormatThousands(static_cast<std::int64_t>(number_)) : std::to_string(number_);
}

OptionButton::OptionButton(std::string name, std::string caption, bool value, InputEpoch& epoch)
    : Control(std::move(name)), caption_(std::move(caption)), value_(value), epoch_(epoch) {}

void OptionButton::setValue(bool on) {
    if (on && group_) {
        for (OptionButton* other : *group_) {
            if (other != this && other->value_) {
                other->value_ = false;
                other->markChanged();
            }
        }
    }
    if (value_ != on) {
        value_ = on;
        markChanged();
    }
    ++epoch_.value;
}

ScrollBar::ScrollBar(std::string name, int min, int max, int value)
    : Control(std::move(name)), min_(min), max_(max), value_(std::clamp(value, min, max)) {}

void ScrollBar::setValue(int value) {
    value = std::clamp(value, min_, max_);
    if (value != value_) {
        value_ = value;
        markChanged();
    }
}

Command::Command(std::string name, std::string caption, std::string shortcut)
    : Control(std::move(name)), caption_(std::move(caption)), shortcut_(std::move(shortcut)) {}

Window::Window(std::string name, std::string caption)
    : Control(std::move(name)), caption_(std::move(caption)) {}

}  // namespace spinlab
