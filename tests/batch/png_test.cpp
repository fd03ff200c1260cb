// The batch tool's PNG files, read back by an independent decoder (Qt's).

#include <gtest/gtest.h>
#include <QImage>

#include "measure/png.h"

namespace spinlab {
namespace {

TEST(BatchPng, QtReadsBackEveryPixel) {
    // Taller than one stored deflate block, with every channel exercised.
    RgbImage image(301, 250, 0xEFEFEF);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if ((x * 7 + y * 3) % 5 == 0)
                image.at(x, y) =
                    static_cast<std::uint32_t>(x * 65536 + y * 256 + (x ^ y)) & 0xFFFFFF;
        }
    }
    const std::vector<unsigned char> bytes = encodePng(image);
    QImage read;
    ASSERT_TRUE(read.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "PNG"));
    ASSERT_EQ(read.width(), image.width);
    ASSERT_EQ(read.height(), image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            ASSERT_EQ(read.pixel(x, y) & 0xFFFFFF, image.at(x, y)) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace spinlab
