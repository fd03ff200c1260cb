#include "measure/png.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "measure/atomicfile.h"

namespace spinlab {

namespace {

constexpr std::size_t kIdatBytes = std::size_t{256} << 10;

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

std::string grouped(std::int64_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0 && digits[i - 1] != '-') out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace

std::string pngSizeProblem(std::int64_t width, std::int64_t height) {
    const std::string size = grouped(width) + " x " + grouped(height) + " pixels";
    if (width < 1 || height < 1) return "the picture is " + size + ": there is nothing to save";
    if (width > kPngMaxSide || height > kPngMaxSide)
        return "the picture would be " + size + ", and a PNG holds at most " +
               grouped(kPngMaxSide) + " pixels a side: choose a smaller zoom";
    return "";
}

struct PngEncoder::Stream {
    z_stream z{};
};

PngEncoder::PngEncoder(std::int64_t width, std::int64_t height, Sink sink, const Record* record)
    : width_(static_cast<std::size_t>(std::max<std::int64_t>(width, 0))),
      sink_(std::move(sink)),
      z_(nullptr) {
    if (const std::string problem = pngSizeProblem(width, height); !problem.empty())
        throw WriteError{"", problem};
    z_ = new Stream;
    // Run-length matching: the filtered rows of these pictures are mostly runs of zeros, which
    // it packs nearly as tightly as the default search, several times faster.
    if (deflateInit2(&z_->z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK) {
        delete z_;
        throw WriteError{"", "the compressor could not start (out of memory)"};
    }
    line_.resize(1 + 3 * width_);
    last_.resize(3 * width_);
    std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    chunk(out, "IHDR", header);
    if (record) {
        auto text = [&out](const std::string& keyword, const std::string& value) {
            std::vector<unsigned char> data(keyword.begin(), keyword.end());
            data.push_back(0);
            data.insert(data.end(), value.begin(), value.end());
            chunk(out, "tEXt", data);
        };
        std::string software, comment;
        for (const auto& [key, value] : record->entries()) {
            if (key == "program") software.insert(0, value);
            if (key == "version") software.append(" ").append(value);
            comment.append(key).append(": ").append(value).append("\n");
        }
        text("Software", software);
        text("Comment", comment);
    }
    sink_(out);
    idat_.reserve(kIdatBytes);
}

PngEncoder::~PngEncoder() {
    if (z_) deflateEnd(&z_->z);
    delete z_;
}

void PngEncoder::chunk(std::vector<unsigned char>& out, const char* type,
                       const std::vector<unsigned char>& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, static_cast<std::uint32_t>(
                   crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

void PngEncoder::deflateInto(int flush) {
    // Whole IDAT chunks go out as they fill; a row is at most a few hundred KiB, so the input
    // is handed over in one piece.
    for (;;) {
        const std::size_t used = idat_.size();
        idat_.resize(kIdatBytes);
        z_->z.next_out = idat_.data() + used;
        z_->z.avail_out = static_cast<uInt>(kIdatBytes - used);
        const int status = deflate(&z_->z, flush);
        idat_.resize(kIdatBytes - z_->z.avail_out);
        if (idat_.size() == kIdatBytes || (flush == Z_FINISH && !idat_.empty())) {
            std::vector<unsigned char> out;
            out.reserve(idat_.size() + 12);
            chunk(out, "IDAT", idat_);
            sink_(out);
            idat_.clear();
        }
        if (flush == Z_FINISH ? status == Z_STREAM_END : z_->z.avail_in == 0) return;
    }
}

void PngEncoder::row(const std::uint32_t* pixels) {
    // The row is made in line_, where a filtered repeat may stand.
    repeat_ = false;
    unsigned char* raw = line_.data() + 1;
    for (std::size_t x = 0; x < width_; ++x) {
        raw[3 * x] = static_cast<unsigned char>(pixels[x] >> 16);
        raw[3 * x + 1] = static_cast<unsigned char>(pixels[x] >> 8);
        raw[3 * x + 2] = static_cast<unsigned char>(pixels[x]);
    }
    if (haveLast_ && std::memcmp(raw, last_.data(), last_.size()) == 0) {
        repeatRow();
        return;
    }
    std::memcpy(last_.data(), raw, last_.size());
    haveLast_ = true;
    // "Sub" (filter 1) turns runs of one colour into zeros.
    line_[0] = 1;
    for (std::size_t i = line_.size() - 1; i > 3; --i)
        line_[i] = static_cast<unsigned char>(line_[i] - line_[i - 3]);
    z_->z.next_in = line_.data();
    z_->z.avail_in = static_cast<uInt>(line_.size());
    deflateInto(Z_NO_FLUSH);
}

void PngEncoder::repeatRow() {
    // "Up" (filter 2) turns a repeated row into zeros: a zoomed picture repeats each row.
    if (!repeat_) {
        line_[0] = 2;
        std::fill(line_.begin() + 1, line_.end(), 0);
        repeat_ = true;
    }
    z_->z.next_in = line_.data();
    z_->z.avail_in = static_cast<uInt>(line_.size());
    deflateInto(Z_NO_FLUSH);
}

void PngEncoder::finish() {
    z_->z.next_in = nullptr;
    z_->z.avail_in = 0;
    deflateInto(Z_FINISH);
    std::vector<unsigned char> out;
    chunk(out, "IEND", {});
    sink_(out);
}

std::vector<unsigned char> encodePng(const RgbImage& image, const Record* record) {
    std::vector<unsigned char> bytes;
    PngEncoder png(
        image.width, image.height,
        [&bytes](const std::vector<unsigned char>& b) {
            bytes.insert(bytes.end(), b.begin(), b.end());
        },
        record);
    for (int y = 0; y < image.height; ++y)
        png.row(image.pixels.data() + std::size_t(y) * image.width);
    png.finish();
    return bytes;
}

void writePng(const std::string& path, const RgbImage& image, const Record* record) {
    writePng(
        path, image.width, image.height,
        [&image](std::int64_t y, std::uint32_t* pixels) {
            const std::uint32_t* from = image.pixels.data() + std::size_t(y) * image.width;
            std::copy(from, from + image.width, pixels);
            return true;
        },
        record);
}

void writePng(const std::string& path, std::int64_t width, std::int64_t height,
              const std::function<bool(std::int64_t y, std::uint32_t* pixels)>& row,
              const Record* record) {
    // Checked before the file is touched: a refused picture leaves no trace.
    if (const std::string problem = pngSizeProblem(width, height); !problem.empty())
        throw WriteError{path, problem};
    AtomicFile file(path);
    PngEncoder png(
        width, height, [&file](const std::vector<unsigned char>& b) { file.write(b); }, record);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width));
    for (std::int64_t y = 0; y < height; ++y) {
        if (row(y, pixels.data()) || y == 0) {
            png.row(pixels.data());
        } else {
            png.repeatRow();
        }
    }
    png.finish();
    file.commit();
}

}  // namespace spinlab
