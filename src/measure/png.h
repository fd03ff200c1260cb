#pragma once
// A small PNG writer for the pictures of the batch tool and the windows: 8-bit RGB, stored
// (uncompressed) deflate blocks, so it needs no library and no display.

#include <cstdint>
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

// The PNG file's bytes; with a record, tEXt chunks: Software (the program and version) and
// Comment (the record's "key: value" lines).
std::vector<unsigned char> encodePng(const RgbImage& image, const Record* record = nullptr);
// Writes the image atomically; throws WriteError when the file cannot be written.
void writePng(const std::string& path, const RgbImage& image, const Record* record = nullptr);

}  // namespace spinlab
