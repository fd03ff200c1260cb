// The batch tool's PNG files, read back by an independent decoder (Qt's).

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "measure/atomicfile.h"
#include "measure/blocks.h"
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

void expectSamePixels(const QImage& read, const RgbImage& image) {
    ASSERT_EQ(read.width(), image.width);
    ASSERT_EQ(read.height(), image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x)
            ASSERT_EQ(read.pixel(x, y) & 0xFFFFFF, image.pixels[std::size_t(y) * image.width + x])
                << x << "," << y;
    }
}

// A lattice near order, two domains and a few odd sites, as a large view saves it: written row
// by row at a zoom, it reads back as the whole scaled picture, and deflate packs it tightly.
TEST(BatchPng, AZoomedPictureIsWrittenRowByRowCompressed) {
    RgbImage image(101, 101, 0xFFFFFF);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (x < y || (x * 31 + y * 17) % 97 == 0) image.at(x, y) = 0x8080FF;
        }
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("view.png");
    writeScaledPng(path.toStdString(), image, 4, 3);
    QImage read(path, "PNG");
    expectSamePixels(read, scaled(image, 4, 3));
    const double raw = 404.0 * 303.0 * 3.0;
    EXPECT_LT(QFile(path).size(), raw / 50);
}

// Pictures a PNG cannot hold, and a cancelled save, are refused with the reason and leave no
// file; the largest side PNG allows is accepted.
TEST(BatchPng, RefusesWhatPngCannotHoldAndLeavesNoFile) {
    EXPECT_EQ(pngSizeProblem(kPngMaxSide, 1), "");
    QTemporaryDir dir;
    const std::string path = dir.filePath("x.png").toStdString();
    struct Case {
        std::int64_t width, height;
        const char* says;
    };
    for (const Case& c : {Case{0, 5, "0 x 5 pixels"}, Case{5, 0, "nothing to save"},
                          Case{kPngMaxSide + 1, 1, "2,147,483,648 x 1 pixels"}}) {
        try {
            writePng(path, c.width, c.height, [](std::int64_t, std::uint32_t*) { return true; });
            ADD_FAILURE() << c.says;
        } catch (const WriteError& e) {
            EXPECT_NE(e.message().find(c.says), std::string::npos) << e.message();
            EXPECT_NE(e.message().find(path), std::string::npos);
        }
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    }
    const RgbImage image(10, 10, 0);
    EXPECT_THROW(writeScaledPng(path, image, 64, 64, [](double) { return false; }), WriteError);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

}  // namespace
}  // namespace spinlab
