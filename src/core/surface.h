#pragma once
// A picture box's drawing surface: a persistent raster (AutoRedraw) with a user scale and a pen.
// The surface clips: PSet and Point accept any coordinates, even infinite or NaN ones, and only
// pixels inside the interior are touched. Drawing only marks the surface dirty; a backend shows
// it when its event pump runs, so painting a dot costs a few stores and never a toolkit call.

#include <cstdint>
#include <string>
#include <vector>

#include "core/runtime.h"

namespace spinlab {

class Surface {
public:
    // width and height are the interior in pixels (the box's outer size less its border).
    Surface(std::string name, int width, int height, Color background, int drawWidth);

    const std::string& name() const { return name_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Fills the whole interior with the background colour.
    void Cls();

    // The interior spans this many user units across or down; 0 is the left or top edge. The
    // scale starts out in pixels. A zero scale keeps 0 on the left or top edge and puts every
    // other point beyond it; a negative one turns the axis away from the interior.
    void setScaleWidth(float units);
    void setScaleHeight(float units);
    float ScaleWidth() const { return scaleWidth_; }
    float ScaleHeight() const { return scaleHeight_; }

    // Pen width in pixels for later PSet calls (at least 1).
    void setDrawWidth(int pixels);
    int DrawWidth() const { return drawWidth_; }

    // Paints a DrawWidth-pixel square dot centred on (x, y). A dot centred on the right or
    // bottom edge itself is kept inside, so the last row and column of a lattice stay visible.
    void PSet(double x, double y, Color color) {
        const double px = toPx(x);
        const double py = toPy(y);
        if (drawWidth_ == 1 && px >= 0.0 && py >= 0.0 && px < width_ && py < height_) {
            pixels_[static_cast<std::size_t>(static_cast<int>(py)) * stride_ +
                    static_cast<std::size_t>(static_cast<int>(px))] = toPixel(color);
            dirty_ = true;
            return;
        }
        paintDot(px, py, color);
    }

    // The colour at (x, y), or kNoColor outside the interior.
    Color Point(double x, double y) const;

    // Asks the backend to show everything painted so far at its next chance.
    void Refresh() {
        dirty_ = true;
        ++refreshes_;
    }

    Color background() const { return background_; }
    // The backend's window-background colour; takes effect at the next Cls.
    void setBackground(Color color) { background_ = color; }

    // The raster as 0xFFRRGGBB words, row by row, `stride()` words apart.
    const std::uint32_t* bits() const { return pixels_.data(); }
    std::size_t stride() const { return stride_; }
    Color pixel(int px, int py) const;

    // True when something was painted since the backend last showed the surface.
    bool dirty() const { return dirty_; }
    bool takeDirty() {
        bool was = dirty_;
        dirty_ = false;
        return was;
    }
    std::uint64_t refreshes() const { return refreshes_; }

private:
    static std::uint32_t toPixel(Color c) { return 0xFF000000u | static_cast<std::uint32_t>(c); }
    void paintDot(double px, double py, Color color);
    void updateFactors();
    // Dividing last keeps x = ScaleWidth exactly on the far edge and a point on a pixel boundary
    // in the pixel after it; multiplying by width / scale can land one rounding short.
    double toPx(double x) const { return x * spanX_ / unitsX_; }
    double toPy(double y) const { return y * spanY_ / unitsY_; }

    std::string name_;
    int width_;
    int height_;
    std::size_t stride_;
    std::vector<std::uint32_t> pixels_;
    Color background_;
    int drawWidth_;
    float scaleWidth_;
    float scaleHeight_;
    double spanX_ = 1.0, unitsX_ = 1.0;
    double spanY_ = 1.0, unitsY_ = 1.0;
    bool dirty_ = true;
    std::uint64_t refreshes_ = 0;
};

}  // namespace spinlab
