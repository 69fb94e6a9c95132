// Loading and releasing bitmaps: DioOpenBMP reads the whole file into memory and hands the bytes
// to the parser.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "display/bitmap_parser.h"
#include "display/regular_file.h"
#include "link/diagnostic_print.h"
#include "link/master_handle.h"

namespace quorvel::display {
namespace {

// Larger files are refused after their size line: the header's fields are 32-bit and the whole
// file is read into memory.
constexpr std::int64_t kLargestFile = std::numeric_limits<std::int32_t>::max();

DioBitmap* load_bitmap_file(const char* path) {
    const RegularFile file = open_regular_file(path);
    if (file.stream == nullptr) return nullptr;

    // The true size, also of a file too large to load, so every file that opens prints this line.
    link::diagnostic_print("file size: %" PRId64 "\n", file.size);
    DioBitmap* bitmap = nullptr;
    std::uint8_t* bytes = nullptr;
    if (file.size <= kLargestFile) {
        const auto size = static_cast<std::size_t>(file.size);
        bytes = static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size));
        if (bytes != nullptr && std::fread(bytes, 1, size, file.stream) == size)
            bitmap = parse_bitmap({bytes, size}, path);
    }
    std::free(bytes);
    std::fclose(file.stream);
    return bitmap;
}

}  // namespace
}  // namespace quorvel::display

extern "C" QUORVEL_API DioBitmap* DioOpenBMP(void* /*reserved*/, const char* path,
                                             int16_t* status) {
    DioBitmap* bitmap = path == nullptr ? nullptr : quorvel::display::load_bitmap_file(path);
    if (bitmap == nullptr) quorvel::link::set_status(status, DIO_ERR_INVALID_BMP);
    return bitmap;
}

extern "C" QUORVEL_API void DioCloseBMP(void* /*reserved*/, DioBitmap** bitmap) {
    if (bitmap == nullptr) return;
    quorvel::display::free_bitmap(*bitmap);
    *bitmap = nullptr;
}
