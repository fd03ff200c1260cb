#include "core/surface.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace spinlab {

Surface::Surface(std::string name, int width, int height, Color background, int drawWidth)
    : name_(std::move(name)),
      width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      stride_(static_cast<std::size_t>(width_)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
              toPixel(background)),
      background_(background),
      drawWidth_(std::max(drawWidth, 1)),
      scaleWidth_(static_cast<float>(width_)),
      scaleHeight_(static_cast<float>(height_)) {
    updateFactors();
}

void Surface::Cls() {
    std::fill(pixels_.begin(), pixels_.end(), toPixel(background_));
    dirty_ = true;
}

void Surface::setScaleWidth(float units) {
    scaleWidth_ = units;
    updateFactors();
}

void Surface::setScaleHeight(float units) {
    scaleHeight_ = units;
    updateFactors();
}

namespace {

// A zero scale is taken as the limit of a vanishing one: 0 stays on the near edge and every
// other coordinate lies beyond the surface. A lattice of size 0 thus keeps its one dot even when
// its loop, the size edited during the run, flips sites that have no place on the picture. A
// non-finite scale must not turn coordinates into NaN: it maps every point onto the near edge.
void axisFactors(float scale, int pixels, double& span, double& units) {
    if (!std::isfinite(scale)) {
        span = 0.0;
        units = 1.0;
    } else {
        span = pixels;
        units = scale != 0.0f ? double(scale) : std::numeric_limits<double>::denorm_min();
    }
}

}  // namespace

void Surface::updateFactors() {
    axisFactors(scaleWidth_, width_, spanX_, unitsX_);
    axisFactors(scaleHeight_, height_, spanY_, unitsY_);
}

void Surface::setDrawWidth(int pixels) {
    drawWidth_ = std::max(pixels, 1);
}

void Surface::paintDot(double px, double py, Color color) {
    const double d = drawWidth_;
    // Reject what lies wholly outside (NaN fails every comparison and is rejected too).
    if (!(px > -d && px < width_ + d && py > -d && py < height_ + d)) return;
    int left = static_cast<int>(std::floor(px - (d - 1.0) / 2.0));
    int top = static_cast<int>(std::floor(py - (d - 1.0) / 2.0));
    // Keep a dot centred on the far edge (x = ScaleWidth) inside, in the last column or row.
    if (px <= width_ && left > width_ - 1) left = width_ - 1;
    if (py <= height_ && top > height_ - 1) top = height_ - 1;
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(left + drawWidth_, width_);
    const int y1 = std::min(top + drawWidth_, height_);
    if (x0 >= x1 || y0 >= y1) return;
    const std::uint32_t value = toPixel(color);
    for (int y = y0; y < y1; ++y) {
        std::uint32_t* row = pixels_.data() + static_cast<std::size_t>(y) * stride_;
        std::fill(row + x0, row + x1, value);
    }
    dirty_ = true;
}

Color Surface::Point(double x, double y) const {
    const double px = toPx(x);
    const double py = toPy(y);
    if (!(px >= 0.0 && py >= 0.0 && px < width_ && py < height_)) return kNoColor;
    return pixel(static_cast<int>(px), static_cast<int>(py));
}

Color Surface::pixel(int px, int py) const {
    if (px < 0 || py < 0 || px >= width_ || py >= height_) return kNoColor;
    return static_cast<Color>(
        pixels_[static_cast<std::size_t>(py) * stride_ + static_cast<std::size_t>(px)] &
        0x00FFFFFFu);
}

}  // namespace spinlab
