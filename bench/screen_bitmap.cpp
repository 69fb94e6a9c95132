#include "screen_bitmap.h"

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

namespace {

constexpr std::uint32_t kWidth = 256;
constexpr std::uint32_t kHeight = 64;
constexpr std::uint32_t kHeaderBytes = 54;
constexpr std::uint32_t kPaletteBytes = 16 * 4;
constexpr std::uint32_t kPixelBytes = kWidth / 2 * kHeight;

void put_le(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> bmp_bytes() {
    const std::uint32_t data_offset = kHeaderBytes + kPaletteBytes;
    std::vector<std::uint8_t> file(data_offset + kPixelBytes);
    file[0] = 'B';
    file[1] = 'M';
    put_le(file, 2, static_cast<std::uint32_t>(file.size()), 4);
    put_le(file, 10, data_offset, 4);
    put_le(file, 14, 40, 4);  // information header size
    put_le(file, 18, kWidth, 4);
    put_le(file, 22, kHeight, 4);
    put_le(file, 26, 1, 2);  // planes
    put_le(file, 28, 4, 2);  // bits per pixel
    for (std::uint32_t i = 0; i < kPixelBytes; ++i) {
        file[data_offset + i] = static_cast<std::uint8_t>(i * 7);
    }
    return file;
}

}  // namespace

const DioBitmap* screen_bitmap() {
    static DioBitmap* const bitmap = [] {
        const std::string path = "/tmp/quorvel-bench-" + std::to_string(getpid()) + ".bmp";
        const std::vector<std::uint8_t> bytes = bmp_bytes();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            std::exit(1);
        }
        std::fclose(file);
        std::int16_t status = 0;
        DioBitmap* loaded = DioOpenBMP(nullptr, path.c_str(), &status);
        std::remove(path.c_str());
        if (loaded == nullptr) {
            std::fprintf(stderr, "cannot load the benchmark bitmap: %d\n", status);
            std::exit(1);
        }
        return loaded;
    }();
    return bitmap;
}

}  // namespace bench
