#pragma once
// The design of the four windows in twips (1/1440 inch): every control's kind, caption, place,
// size and tab index. Both backends build their windows from these tables, so a picture box's
// raster has the same size in pixels headless and on screen.

#include <span>
#include <string_view>

namespace spinlab {

enum class ControlKind {
    PictureBox,
    Label,
    TextBox,
    Frame,
    OptionButton,
    CommandButton,
    HScrollBar
};

struct ControlDesign {
    std::string_view name;
    ControlKind kind;
    std::string_view caption;  // caption or initial text; empty for picture boxes
    int left, top, width, height;
    int tabIndex;
    std::string_view container;  // empty: the window itself
};

struct MenuItemDesign {
    std::string_view name;
    std::string_view caption;
    bool checked;
    std::string_view shortcut;  // portable key sequence text, e.g. "Ctrl+Q"
};

struct WindowDesign {
    std::string_view name;
    std::string_view caption;
    int clientWidth, clientHeight;  // twips
    bool fixedBorder;               // the user cannot resize it
    bool centred;                   // centred on the screen when first shown
    std::span<const ControlDesign> controls;
    std::string_view menuCaption;  // empty: no menu bar
    std::span<const MenuItemDesign> menu;

    const ControlDesign& control(std::string_view controlName) const;
};

const WindowDesign& isingModelDesign();
const WindowDesign& view3DDesign();
const WindowDesign& polymerDesign();
const WindowDesign& antWalkDesign();

// Twips to whole pixels at the given screen resolution.
int twipsToPixels(int twips, double twipsPerPixel);
// A picture box's drawable interior: its outer size less a one-pixel border on each side.
int pictureInterior(int twips, double twipsPerPixel);

}  // namespace spinlab
