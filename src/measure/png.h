#pragma once
// A small PNG writer for the pictures of the batch tool and the windows: 8-bit RGB, deflated
// with zlib, row by row, so that a picture of any size is written in the memory of a few rows.
// It needs no display.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "measure/record.h"

namespace spinlab {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x..RRGGBB, row by row

    RgbImage() = default;
    RgbImage(int w, int h, std::uint32_t fill)
        : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    std::uint32_t& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
};

// PNG's limit on each side: 2^31 - 1 pixels.
constexpr std::int64_t kPngMaxSide = 0x7FFFFFFF;
// Why a picture of that size cannot be a PNG ("" when it can): an empty side, or a side beyond
// PNG's limit.
std::string pngSizeProblem(std::int64_t width, std::int64_t height);

// Builds a PNG file chunk by chunk and hands the bytes on as they are made: the signature and
// IHDR at once, the deflated rows as IDAT chunks of at most 256 KiB, IEND at finish().
class PngEncoder {
public:
    using Sink = std::function<void(const std::vector<unsigned char>&)>;
    // Throws WriteError (with no path) when the size cannot be a PNG.
    // With a record, tEXt chunks follow IHDR: Software (the program and version) and Comment
    // (the record's "key: value" lines).
    PngEncoder(std::int64_t width, std::int64_t height, Sink sink, const Record* record = nullptr);
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // The next row, `width` pixels 0x..RRGGBB.
    void row(const std::uint32_t* pixels);
    // The next row, the same as the one before.
    void repeatRow();
    void finish();

private:
    // One chunk (length, type, data, CRC) onto `out`.
    static void chunk(std::vector<unsigned char>& out, const char* type,
                      const std::vector<unsigned char>& data);
    void deflateInto(int flush);

    struct Stream;
    std::size_t width_;
    Sink sink_;
    Stream* z_;
    std::vector<unsigned char> line_;  // the filtered row
    std::vector<unsigned char> last_;  // the row before, unfiltered
    bool haveLast_ = false;
    bool repeat_ = false;  // line_ holds the filtered repeat
    std::vector<unsigned char> idat_;
};

// The PNG file's bytes, with the record's text chunks when there is one.
std::vector<unsigned char> encodePng(const RgbImage& image, const Record* record = nullptr);
// Writes the image atomically; throws WriteError when the file cannot be written or the picture
// cannot be a PNG.
void writePng(const std::string& path, const RgbImage& image, const Record* record = nullptr);
// The same for a picture made row by row: `row(y, pixels)` fills row y (width pixels) and
// returns false when the row is the same as row y - 1 (it need not fill it then).
void writePng(const std::string& path, std::int64_t width, std::int64_t height,
              const std::function<bool(std::int64_t y, std::uint32_t* pixels)>& row,
              const Record* record = nullptr);

}  // namespace spinlab
