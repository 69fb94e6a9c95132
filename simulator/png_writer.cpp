#include "png_writer.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <vector>

#include "replacing_file.h"

namespace ch367sim {

namespace {

// Fixed compression settings (those of libpng's writer with filter "none"), so a picture is
// encoded to the same bytes wherever it is written.
constexpr int kCompressionLevel = 9;
constexpr int kCompressionMemLevel = 8;
constexpr int kCompressionWindowBits = 15;
constexpr std::size_t kIdatBytes = 8192;  // each IDAT chunk but the last holds this much
constexpr std::uint8_t kFilterNone = 0;

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void put_be32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

// One chunk: length, type, data, and the CRC of type and data.
bool write_chunk(std::FILE* file, const char (&type)[5], const std::uint8_t* data,
                 std::size_t size) {
    std::uint8_t head[8];
    put_be32(head, static_cast<std::uint32_t>(size));
    for (int i = 0; i < 4; ++i) head[4 + i] = static_cast<std::uint8_t>(type[i]);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    std::uint8_t tail[4];
    put_be32(tail, static_cast<std::uint32_t>(crc));
    return std::fwrite(head, 1, sizeof head, file) == sizeof head &&
           (size == 0 || std::fwrite(data, 1, size, file) == size) &&
           std::fwrite(tail, 1, sizeof tail, file) == sizeof tail;
}

// Compresses the rows (each behind its filter byte) into IDAT chunks as the output fills up.
class IdatStream {
public:
    explicit IdatStream(std::FILE* file) : file_(file) {
        ok_ = deflateInit2(&stream_, kCompressionLevel, Z_DEFLATED, kCompressionWindowBits,
                           kCompressionMemLevel, Z_DEFAULT_STRATEGY) == Z_OK;
        reset_output();
    }
    ~IdatStream() { deflateEnd(&stream_); }
    IdatStream(const IdatStream&) = delete;
    IdatStream& operator=(const IdatStream&) = delete;

    bool add(std::uint8_t* bytes, std::size_t size) { return pump(bytes, size, Z_NO_FLUSH); }
    bool finish() { return pump(nullptr, 0, Z_FINISH); }

private:
    bool pump(std::uint8_t* bytes, std::size_t size, int flush) {
        if (!ok_) return false;
        stream_.next_in = bytes;
        stream_.avail_in = static_cast<uInt>(size);
        for (;;) {
            const int result = deflate(&stream_, flush);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return false;
            if (stream_.avail_out == 0 && !emit(kIdatBytes)) return false;
            if (flush == Z_FINISH && result == Z_STREAM_END) {
                return emit(kIdatBytes - stream_.avail_out);
            }
            if (flush == Z_NO_FLUSH && stream_.avail_in == 0 && stream_.avail_out > 0) return true;
        }
    }

    bool emit(std::size_t size) {
        ok_ = size == 0 || write_chunk(file_, "IDAT", output_.data(), size);
        reset_output();
        return ok_;
    }

    void reset_output() {
        stream_.next_out = output_.data();
        stream_.avail_out = static_cast<uInt>(output_.size());
    }

    std::FILE* file_;
    z_stream stream_{};
    std::array<std::uint8_t, kIdatBytes> output_{};
    bool ok_ = false;
};

bool write_png_stream(std::FILE* file, unsigned width, unsigned height, PngColour colour,
                      const PngRowSource& row_source) {
    const unsigned channels = colour == PngColour::rgb ? 3 : 1;
    std::uint8_t header[13];
    put_be32(header, width);
    put_be32(header + 4, height);
    header[8] = 8;  // bits per channel
    header[9] = static_cast<std::uint8_t>(colour);
    header[10] = 0;  // deflate
    header[11] = 0;  // adaptive filtering (every row here uses filter "none")
    header[12] = 0;  // not interlaced
    if (std::fwrite(kSignature.data(), 1, kSignature.size(), file) != kSignature.size() ||
        !write_chunk(file, "IHDR", header, sizeof header)) {
        return false;
    }
    IdatStream idat(file);
    std::vector<std::uint8_t> row(1 + std::size_t{width} * channels);
    row[0] = kFilterNone;
    for (unsigned y = 0; y < height; ++y) {
        row_source(y, row.data() + 1);
        if (!idat.add(row.data(), row.size())) return false;
    }
    return idat.finish() && write_chunk(file, "IEND", nullptr, 0);
}

}  // namespace

bool write_png(const char* path, unsigned width, unsigned height, PngColour colour,
               const PngRowSource& row_source) {
    if (path == nullptr || width == 0 || height == 0) return false;
    ReplacingFile file(path);  // no half-written picture left behind
    if (file.stream() == nullptr) return false;
    return write_png_stream(file.stream(), width, height, colour, row_source) && file.commit();
}

}  // namespace ch367sim
