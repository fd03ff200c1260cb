#include "measure/blocks.h"

#include <algorithm>

#include "core/runtime.h"
#include "measure/atomicfile.h"

namespace spinlab {

void Block::resize(int w, int h) {
    width = std::max(w, 0);
    height = std::max(h, 0);
    cells.resize(static_cast<std::size_t>(width) * height);
}

void readSquare(const SquareLattice& lattice, int n, Block& block) {
    n = std::clamp(n, -1, SquareLattice::kMax);
    block.resize(n + 1, n + 1);
    for (int y = 0; y <= n; ++y) {
        std::int8_t* row = block.cells.data() + static_cast<std::size_t>(y) * block.width;
        for (int x = 0; x <= n; ++x)
            row[x] = *lattice.cell(x, y);
    }
}

void readSection(const CubicLattice& lattice, int n, SectionAxis axis, int index, Block& block) {
    n = std::clamp(n, -1, CubicLattice::kMax);
    index = std::clamp(index, 0, std::max(n, 0));
    block.resize(n + 1, n + 1);
    for (int row = 0; row <= n; ++row) {
        std::int8_t* out = block.cells.data() + static_cast<std::size_t>(row) * block.width;
        for (int column = 0; column <= n; ++column) {
            switch (axis) {
                case SectionAxis::Z:
                    out[column] = *lattice.cell(column, row, index);
                    break;
                case SectionAxis::X:
                    out[column] = *lattice.cell(index, column, row);
                    break;
                case SectionAxis::Y:
                    out[column] = *lattice.cell(column, index, row);
                    break;
            }
        }
    }
}

void readChain(const Chain& chain, int n, Block& block) {
    n = std::clamp(n, -1, Chain::kMax);
    block.resize(n + 1, 1);
    const std::int16_t* states = chain.data();
    for (int i = 0; i <= n; ++i)
        block.cells[static_cast<std::size_t>(i)] = static_cast<std::int8_t>(states[i]);
}

std::uint32_t chainStateColour(int state) {
    // Nine hues far enough apart to tell neighbouring states at a glance (a qualitative
    // palette), in state order.
    static constexpr std::array<std::uint32_t, 9> kColours = {
        0xE41A1C, 0xFF7F00, 0xFFD92F, 0x4DAF4A, 0x1B9E77, 0x17BECF, 0x377EB8, 0x984EA3, 0xF781BF};
    if (state < 1 || state > 9) return 0x808080;
    return kColours[static_cast<std::size_t>(state - 1)];
}

void paintBlock(const Block& block, BlockColours colours, RgbImage& image) {
    std::array<std::uint32_t, 256> table{};
    for (int v = -128; v < 128; ++v) {
        const auto u = static_cast<std::uint8_t>(v);
        // Opaque, so a toolkit can show the pixels as they stand.
        table[u] = 0xFF000000u | (colours == BlockColours::Spins
                                      ? static_cast<std::uint32_t>(QBColor(v == -1 ? 9 : 15))
                                      : chainStateColour(v));
    }
    if (image.width != block.width || image.height != block.height) {
        image = RgbImage(block.width, block.height, 0);
    }
    const std::size_t count = block.cells.size();
    for (std::size_t i = 0; i < count; ++i)
        image.pixels[i] = table[static_cast<std::uint8_t>(block.cells[i])];
}

RgbImage scaled(const RgbImage& image, int sx, int sy) {
    sx = std::max(sx, 1);
    sy = std::max(sy, 1);
    RgbImage out(image.width * sx, image.height * sy, 0);
    for (int y = 0; y < out.height; ++y) {
        const std::uint32_t* from =
            image.pixels.data() + static_cast<std::size_t>(y / sy) * image.width;
        std::uint32_t* to = out.pixels.data() + static_cast<std::size_t>(y) * out.width;
        for (int x = 0; x < out.width; ++x)
            to[x] = from[x / sx];
    }
    return out;
}

}  // namespace spinlab

namespace spinlab {

void writeScaledPng(const std::string& path, const RgbImage& image, int sx, int sy,
                    const std::function<bool(double)>& progress, const Record* record) {
    sx = std::max(sx, 1);
    sy = std::max(sy, 1);
    const std::int64_t width = std::int64_t{image.width} * sx;
    const std::int64_t height = std::int64_t{image.height} * sy;
    writePng(
        path, width, height,
        [&image, &path, &progress, sx, sy, height](std::int64_t y, std::uint32_t* out) {
            if (progress && y % 256 == 0 && !progress(double(y) / double(height)))
                throw WriteError{path, "the save was cancelled, and no file was written"};
            // Each site's row is made once; the zoom - 1 rows below it repeat it.
            if (y % sy != 0) return false;
            const std::uint32_t* from =
                image.pixels.data() + static_cast<std::size_t>(y / sy) * image.width;
            for (int x = 0; x < image.width; ++x)
                std::fill_n(out + std::int64_t{x} * sx, sx, from[x]);
            return true;
        },
        record);
}

}  // namespace spinlab
