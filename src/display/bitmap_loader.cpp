// Loading and releasing bitmaps: DioOpenBMP reads the whole file into memory and hands the bytes
// to the parser.
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "display/bitmap_parser.h"
#include "link/diagnostic_print.h"
#include "link/master_handle.h"

namespace quorvel::display {
namespace {

// Larger files are refused: their size does not fit the 32-bit value the diagnostics print.
constexpr long kLargestFile = std::numeric_limits<std::int32_t>::max();

// The file's length in bytes, leaving it positioned at the start; -1 when it cannot be found.
long file_length(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long length = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0) return -1;
    return length;
}

DioBitmap* load_bitmap_file(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return nullptr;

    DioBitmap* bitmap = nullptr;
    std::uint8_t* bytes = nullptr;
    const long length = file_length(file);
    if (length >= 0 && length <= kLargestFile) {
        link::diagnostic_print("file size: %d\n", static_cast<int>(length));
        const auto size = static_cast<std::size_t>(length);
        bytes = static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size));
        if (bytes != nullptr && std::fread(bytes, 1, size, file) == size)
            bitmap = parse_bitmap({bytes, size}, path);
    }
    std::free(bytes);
    std::fclose(file);
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
