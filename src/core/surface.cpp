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
    ++geometry_;
}

void Surface::setDrawWidth(int pixels) {
    drawWidth_ = std::max(pixels, 1);
    ++geometry_;
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

namespace {

constexpr int kMissed = -32768;

// The left (top) pixel of the dot paintDot paints for a pen of width d centred on pixel
// coordinate p, on an axis of `size` pixels, before clipping; the same tests in the same order.
int dotStart(double p, int d, int size) {
    if (!(p > -d && p < size + d)) return kMissed;
    int left = static_cast<int>(std::floor(p - (d - 1.0) / 2.0));
    if (p <= size && left > size - 1) left = size - 1;
    return left;
}

}  // namespace

// PSet's quick path for a one-pixel pen inside the surface paints the pixel paintDot would, so
// paintDot's arithmetic describes every dot.
void DotGrid::rebuild(Surface& surface, int maxX, int maxY) {
    surface_ = &surface;
    geometry_ = surface.geometry_;
    maxX_ = maxX;
    maxY_ = maxY;
    const int pen = surface.drawWidth_;
    const bool quick = pen <= 2;
    auto axis = [pen, quick](std::vector<std::int16_t>& start, std::size_t points, int size,
                             auto toPixel, auto onQuick) {
        start.resize(points);
        for (std::size_t i = 0; i < points; ++i) {
            const int first = dotStart(toPixel(static_cast<double>(i)), pen, size);
            start[i] = static_cast<std::int16_t>(first);
            onQuick(i, quick && first >= 0 && first + pen <= size ? first : -1);
        }
    };
    const std::size_t columns = static_cast<std::size_t>(std::max(maxX, 0)) + 1;
    const std::size_t rows = static_cast<std::size_t>(std::max(maxY, 0)) + 1;
    column_.resize(columns);
    row_.resize(rows);
    axis(
        left_, columns, surface.width_, [&](double x) { return surface.toPx(x); },
        [&](std::size_t i, int first) { column_[i] = static_cast<std::int16_t>(first); });
    axis(
        top_, rows, surface.height_, [&](double y) { return surface.toPy(y); },
        [&](std::size_t i, int first) {
            row_[i] = first < 0 ? -1 : static_cast<std::int32_t>(first * surface.stride_);
        });
    // Apart: the dots' runs along an axis, clipped to the surface, do not overlap.
    auto apart = [pen](const std::vector<std::int16_t>& start, int size) {
        int end = 0;
        for (const int first : start) {
            const int lo = std::max(first, 0), hi = std::min(first + pen, size);
            if (lo >= hi) continue;
            if (lo < end) return false;
            end = hi;
        }
        return true;
    };
    auto distinct = [pen](const std::vector<std::int16_t>& start, int size) {
        std::size_t places = 0;
        int last = kMissed;
        for (const int first : start) {
            if (std::max(first, 0) >= std::min(first + pen, size) || first == last) continue;
            ++places;
            last = first;
        }
        return places;
    };
    places_ = distinct(left_, surface.width_) * distinct(top_, surface.height_);
    std::vector<bool> covered(static_cast<std::size_t>(std::max(surface.width_, 0)), false);
    for (const int first : left_) {
        for (int i = std::max(first, 0); i < std::min(first + pen, surface.width_); ++i)
            covered[static_cast<std::size_t>(i)] = true;
    }
    covered_ = static_cast<std::size_t>(std::count(covered.begin(), covered.end(), true));
    const bool rowsApart = apart(top_, surface.height_);
    byColumn_ = pen == 2 && rowsApart;
    disjoint_ = rowsApart && apart(left_, surface.width_);
    done_.assign(std::max(doneSize(), surface.pixels_.size()) + 1, 0);
}

std::size_t DotGrid::doneSize() const {
    return byColumn_ ? top_.size() * static_cast<std::size_t>(surface_->width_) + 1
                     : surface_->pixels_.size() + 1;
}

int DotGrid::paintClipped(int x, int y, std::uint32_t pixel, bool backwards) {
    const int left = left_[static_cast<std::size_t>(x)];
    const int top = top_[static_cast<std::size_t>(y)];
    const int pen = surface_->drawWidth_;
    const int width = surface_->width_;
    const int x0 = std::max(left, 0), x1 = std::min(left + pen, width);
    const int y0 = std::max(top, 0), y1 = std::min(top + pen, surface_->height_);
    const auto w = static_cast<std::size_t>(width);
    if (backwards && byColumn_) {
        // Every dot of this y covers the same rows: a column is taken as a whole.
        int taken = 0;
        for (int i = x0; i < x1; ++i) {
            std::uint8_t& mark =
                done_[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(i)];
            if (mark) continue;
            mark = 1;
            ++taken;
            for (int j = y0; j < y1; ++j)
                surface_->pixels_[static_cast<std::size_t>(j) * w + static_cast<std::size_t>(i)] =
                    pixel;
        }
        return taken;
    }
    for (int j = y0; j < y1; ++j) {
        for (int i = x0; i < x1; ++i) {
            const std::size_t at = static_cast<std::size_t>(j) * w + static_cast<std::size_t>(i);
            if (backwards) {
                if (done_[at]) continue;
                done_[at] = 1;
            }
            surface_->pixels_[at] = pixel;
        }
    }
    return 0;
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
