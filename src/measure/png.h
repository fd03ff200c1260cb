#pragma once
// A small PNG writer for the batch tool's pictures: 8-bit RGB, stored (uncompressed) deflate
// blocks, so it needs no library and no display.

#include <cstdint>
#include <string>
#include <vector>

namespace spinlab::batch {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x..RRGGBB, row by row

    RgbImage(int w, int h, std::uint32_t fill)
        : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    std::uint32_t& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
};

// The PNG file's bytes.
std::vector<unsigned char> encodePng(const RgbImage& image);
// Writes the image; returns false when the file cannot be written.
bool writePng(const std::string& path, const RgbImage& image);

}  // namespace spinlab::batch
