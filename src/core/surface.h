#pragma once
// A picture box's drawing surface: a persistent raster (AutoRedraw) with a user scale and a pen.
// The surface clips: PSet and Point accept any coordinates, even infinite or NaN ones, and only
// pixels inside the interior are touched. Drawing only marks the surface dirty; a backend shows
// it when its event pump runs, so painting a dot costs a few stores and never a toolkit call.

#include <algorithm>
#include <cstdint>
#include <cstring>
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
    // As `times` calls of Refresh.
    void countRefreshes(std::uint64_t times) {
        if (times == 0) return;
        dirty_ = true;
        refreshes_ += times;
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

    // Counts the changes of scale and pen, so a DotGrid can tell when to work its spans out
    // again.
    std::uint64_t geometry() const { return geometry_; }

private:
    friend class DotGrid;

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
    std::uint64_t geometry_ = 0;
};

// PSet at the whole-number points 0..maxX by 0..maxY of a surface, for loops that paint
// thousands of dots between two pump calls. A dot is the product of a run of pixel columns and
// a run of rows; each point's runs are worked out once per scale and pen, from PSet's own
// arithmetic. A crowded stretch of dots is painted from its last dot back to its first, each
// pixel taking the colour of the last dot that covers it and then left alone: the raster ends
// exactly as PSet would have left it dot by dot, with each pixel written once however often it
// was painted over.
class DotGrid {
public:
    // Makes the grid paint on `surface` as it is scaled now; cheap when nothing changed.
    void follow(Surface& surface, int maxX, int maxY) {
        if (&surface != surface_ || surface.geometry_ != geometry_ || maxX != maxX_ ||
            maxY != maxY_) {
            rebuild(surface, maxX, maxY);
        }
    }

    static std::uint32_t pixelOf(Color color) { return Surface::toPixel(color); }

    // Whether a stretch of `dots` dots paints the same pixels over and over, many times more dots
    // than the grid has places for them (a chain's units share pixel columns twenty to one):
    // painted backwards, each pixel is then written once.
    bool crowded(std::size_t dots) const { return dots > 8 * places_; }

    // Whether no two of the grid's dots share a pixel (a lattice of up to 100 or so on its
    // picture): a stretch then needs only the last dot of each point, in any order.
    bool disjoint() const { return disjoint_; }

    // Pixel columns that some dot covers: with a mask by columns, a backwards stretch is over once
    // every row of dots has taken them all.
    std::size_t coveredColumns() const { return covered_; }

    // Paints dots in the order they were made, each as PSet would. A plain value like Backwards.
    class Forwards {
    public:
        explicit Forwards(DotGrid& grid)
            : grid_(grid),
              column_(grid.column_.data()),
              row_(grid.row_.data()),
              pixels_(grid.surface_->pixels_.data()),
              width_(static_cast<std::size_t>(grid.surface_->width_)),
              pen_(grid.surface_->drawWidth_) {
            grid.surface_->dirty_ = true;
        }
        void paint(int x, int y, std::uint32_t pixel) const {
            const int column = column_[x], row = row_[y];
            if ((column | row) < 0) {
                grid_.paintClipped(x, y, pixel, false);
                return;
            }
            std::uint32_t* at = pixels_ + static_cast<std::size_t>(row) + column;
            if (pen_ == 1) {
                *at = pixel;
                return;
            }
            const std::uint64_t two = pixel * 0x100000001ull;
            std::memcpy(at, &two, sizeof two);
            std::memcpy(at + width_, &two, sizeof two);
        }

    private:
        DotGrid& grid_;
        const std::int16_t* column_;
        const std::int32_t* row_;
        std::uint32_t* pixels_;
        std::size_t width_;
        int pen_;
    };

    // Paints one stretch of dots, given from the last to the first. A plain value, so a loop
    // keeps it in registers. Marks the surface as changed when it is made (PSet does so only
    // when a dot lands on it: at worst the same picture is shown once more).
    class Backwards {
    public:
        // Inline, like everything here, so that the pen never leaves the caller's registers.
        explicit Backwards(DotGrid& grid)
            : grid_(grid),
              column_(grid.column_.data()),
              row_(grid.row_.data()),
              pixels_(grid.surface_->pixels_.data()),
              done_(grid.done_.data()),
              width_(static_cast<std::size_t>(grid.surface_->width_)),
              pen_(grid.surface_->drawWidth_),
              byColumn_(grid.byColumn_) {
            std::fill(grid.done_.begin(), grid.done_.begin() + grid.doneSize(), std::uint8_t{0});
            grid.surface_->dirty_ = true;
        }

        // How the pen keeps track of what later dots took; a loop that paints many dots picks
        // its copy by this once, so that no dot pays for the choice.
        enum class Mask { Pixels, Columns };
        Mask mask() const { return byColumn_ ? Mask::Columns : Mask::Pixels; }

        // With the mask by columns: the entries taken so far. Once `rows` rows of dots have
        // taken all coveredColumns(), no earlier dot of those rows can show.
        std::size_t taken() const { return taken_; }

        // For 0 <= x <= maxX, 0 <= y <= maxY, in the reverse order of the dots' painting.
        template <Mask M>
        [[gnu::always_inline]] void paint(int x, int y, std::uint32_t pixel) {
            paintAt<M>(column_[x], row_[y], x, y, pixel);
        }
        // A chain's move, the dot at (x, y0) painted before the dot at (x, y1): both, backwards.
        template <Mask M>
        [[gnu::always_inline]] void paintTwo(int x, int y0, std::uint32_t pixel0, int y1,
                                             std::uint32_t pixel1) {
            const int column = column_[x];
            paintAt<M>(column, row_[y1], x, y1, pixel1);
            paintAt<M>(column, row_[y0], x, y0, pixel0);
        }

    private:
        // Whether entries i and i + 1 of the mask are taken by later dots, as the bytes 0 or 1
        // of a word.
        std::uint16_t two(std::size_t i) const {
            std::uint16_t v;
            std::memcpy(&v, done_ + i, sizeof v);
            return v;
        }
        void take(std::size_t i, std::uint32_t pixel) {
            if (done_[i]) return;
            done_[i] = 1;
            pixels_[i] = pixel;
        }
        template <Mask M>
        [[gnu::always_inline]] void paintAt(int column, int row, int x, int y,
                                            std::uint32_t pixel) {
            if ((column | row) >= 0) [[likely]] {
                const std::size_t at = static_cast<std::size_t>(row) + column;
                if constexpr (M == Mask::Columns) {
                    // A 2-pixel pen whose rows no other y shares (the chain's states): the mask
                    // holds each y's pixel columns, one byte for the two pixels of a column.
                    const std::size_t mark = static_cast<std::size_t>(y) * width_ + column;
                    const std::uint16_t taken = two(mark);
                    if (taken == 0x0101u) return;
                    if (!(taken & 1u)) {
                        done_[mark] = 1;
                        pixels_[at] = pixels_[at + width_] = pixel;
                        ++taken_;
                    }
                    if (!(taken & 0x100u)) {
                        done_[mark + 1] = 1;
                        pixels_[at + 1] = pixels_[at + width_ + 1] = pixel;
                        ++taken_;
                    }
                    return;
                } else {
                    if (pen_ == 1) {
                        take(at, pixel);
                        return;
                    }
                    // The two-pixel pen: a dot covered by later dots costs two tests.
                    if ((two(at) & two(at + width_)) == 0x0101u) return;
                    take(at, pixel);
                    take(at + 1, pixel);
                    take(at + width_, pixel);
                    take(at + width_ + 1, pixel);
                    return;
                }
            }
            taken_ += grid_.paintClipped(x, y, pixel, true);
        }

        DotGrid& grid_;
        const std::int16_t* column_;
        const std::int32_t* row_;
        std::uint32_t* pixels_;
        std::uint8_t* done_;
        std::size_t width_;
        int pen_;
        bool byColumn_;
        std::size_t taken_ = 0;
    };

private:
    void rebuild(Surface& surface, int maxX, int maxY);
    // Bytes of the mask a stretch uses.
    std::size_t doneSize() const;
    // Any other dot: a wider pen, or one that the surface's edge clips; `backwards` keeps to the
    // pixels no later dot took, and returns the entries of a mask by columns it took.
    [[gnu::noinline]] int paintClipped(int x, int y, std::uint32_t pixel, bool backwards);

    Surface* surface_ = nullptr;
    std::uint64_t geometry_ = 0;
    int maxX_ = -1;
    int maxY_ = -1;
    // The first pixel column (row) of each point's dot before clipping to the surface, as PSet
    // works it out, or kMissed where the dot lies wholly outside.
    std::vector<std::int16_t> left_;
    std::vector<std::int16_t> top_;
    // For a pen of 1 or 2 pixels, a point's first column, and its first row's offset in the
    // raster, where its dot lies wholly inside on that axis; -1 elsewhere (and for other pens).
    std::vector<std::int16_t> column_;
    std::vector<std::int32_t> row_;
    // One byte per pixel of the raster (or per column of a y, byColumn_): 1 once a later dot of
    // the stretch took it. A spare byte lets two() read past the last one.
    std::vector<std::uint8_t> done_;
    // Distinct places of dots on the surface: distinct column runs times distinct row runs.
    std::size_t places_ = 0;
    std::size_t covered_ = 0;
    bool disjoint_ = false;
    // A pen of 2 pixels and rows that no two y share: the mask then keeps, for each y, which
    // pixel columns of its rows later dots took, in (maxY + 1) x width bytes.
    bool byColumn_ = false;
};

}  // namespace spinlab
