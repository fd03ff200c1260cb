#pragma once
// The controls of the windows as plain values. The simulations read and write only these; a
// backend mirrors them onto real widgets: user edits come in through the setters (which only
// ever run inside the event pump), and changes made by the program are marked so the backend
// can push them out when it next flushes. Reading a value never calls into a toolkit.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/runtime.h"

namespace spinlab {

// Counts every change of any input of a program, so caches built from inputs (the acceptance
// table) can tell with one compare whether they are still good.
struct InputEpoch {
    std::uint64_t value = 1;
};

class Control {
public:
    explicit Control(std::string name) : name_(std::move(name)) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    const std::string& name() const { return name_; }
    // True when the program changed the control since the backend last looked.
    bool takeChanged() {
        bool was = changed_;
        changed_ = false;
        return was;
    }

protected:
    void markChanged() { changed_ = true; }

private:
    std::string name_;
    bool changed_ = true;
};

class TextBox : public Control {
public:
    // `inputName` names the box in the user's words, for error messages ("Lattice Size").
    TextBox(std::string name, std::string inputName, std::string text, InputEpoch& epoch);

    const std::string& Text() const { return text_; }
    const std::string& inputName() const { return inputName_; }
    // Sets the text (from the program, or from the backend when the user edits it) and fires
    // the change handler after every actual change.
    void setText(std::string text);
    // What typing does: refused (returns false) while the box is disabled or locked.
    bool type(std::string text);

    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    bool Locked() const { return locked_; }
    void setLocked(bool on) {
        if (locked_ != on) {
            locked_ = on;
            markChanged();
        }
    }

    // CInt of the text, parsed once per edit; throws ConversionError naming this box.
    std::int16_t cint() const {
        if (!reading().value) throwCIntError();
        return *cint_.value;
    }
    // Whether cint() would give a value rather than throw.
    bool cintConverts() const { return reading().value.has_value(); }
    // CDbl of the text; throws ConversionError naming this box.
    double cdbl() const;

    std::uint64_t version() const { return version_; }

    // The change event (Iterations_Change and the like).
    std::function<void()> onChange;

private:
    const CIntReading& reading() const {
        if (cintVersion_ != version_) {
            cint_ = readCInt(text_);
            cintVersion_ = version_;
        }
        return cint_;
    }
    [[noreturn]] void throwCIntError() const;

    std::string inputName_;
    std::string text_;
    InputEpoch& epoch_;
    bool enabled_ = true;
    bool locked_ = false;
    std::uint64_t version_ = 1;
    mutable std::uint64_t cintVersion_ = 0;
    mutable CIntReading cint_;
};

// A label's caption. Loops write a count every trial: setNumber only stores it, and the digits
// are written out when someone reads the caption.
class Label : public Control {
public:
    Label(std::string name, std::string caption);
    void setCaption(std::string caption);
    void setNumber(std::uint64_t count) {
        number_ = count;
        isNumber_ = true;
        grouped_ = false;
        markChanged();
    }
    // As setNumber, shown with a comma every three digits ("1,234,567").
    void setGroupedNumber(std::uint64_t count) {
        number_ = count;
        isNumber_ = true;
        grouped_ = true;
        markChanged();
    }
    std::string Caption() const;
    // Repaints the label at once (the ant walk asks for it); here: shown at the next flush.
    void Refresh() { markChanged(); }

private:
    std::string caption_;
    std::uint64_t number_ = 0;
    bool isNumber_ = false;
    bool grouped_ = false;
};

class OptionButton : public Control {
public:
    OptionButton(std::string name, std::string caption, bool value, InputEpoch& epoch);
    const std::string& caption() const { return caption_; }
    bool Value() const { return value_; }
    // Selecting a button clears the others of its group.
    void setValue(bool on);
    void joinGroup(std::vector<OptionButton*>* group) { group_ = group; }

private:
    std::string caption_;
    bool value_;
    InputEpoch& epoch_;
    std::vector<OptionButton*>* group_ = nullptr;
};

class ScrollBar : public Control {
public:
    ScrollBar(std::string name, int min, int max, int value);
    int Value() const { return value_; }
    void setValue(int value);
    int Min() const { return min_; }
    int Max() const { return max_; }

private:
    int min_;
    int max_;
    int value_;
};

// A command button or menu item: a caption and a click handler set by the window's owner.
class Command : public Control {
public:
    Command(std::string name, std::string caption, std::string shortcut = {});
    const std::string& caption() const { return caption_; }
    const std::string& shortcut() const { return shortcut_; }
    bool Checked() const { return checked_; }
    void setChecked(bool on) {
        if (checked_ != on) {
            checked_ = on;
            markChanged();
        }
    }
    void click() const {
        if (onClick) onClick();
    }
    std::function<void()> onClick;

private:
    std::string caption_;
    std::string shortcut_;
    bool checked_ = false;
};

class Window : public Control {
public:
    Window(std::string name, std::string caption);
    const std::string& caption() const { return caption_; }
    bool Visible() const { return visible_; }
    // Showing a window that is already shown brings it to the front.
    void Show() {
        visible_ = true;
        markChanged();
    }
    void Hide() {
        if (visible_) {
            visible_ = false;
            markChanged();
        }
    }

private:
    std::string caption_;
    bool visible_ = false;
};

}  // namespace spinlab
