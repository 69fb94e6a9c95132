#include "display/bitmap_parser.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "display/bmp_header.h"

namespace quorvel::display {
namespace {

// The shape of the pixel rows, checked against the file they come from.
struct RowLayout {
    std::int32_t row_size;
    std::int32_t height;
    std::size_t pixel_area;  // bytes from the data offset to the end of the file
};

std::optional<RowLayout> checked_layout(const BmpHeader& header, std::size_t file_size) {
    const std::int64_t row_size = bmp_row_size(header);
    if (header.data_offset > file_size || header.height < 0 || row_size < 0 ||
        row_size > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    const std::size_t pixel_area = file_size - header.data_offset;
    // Both factors are below 2^31, so the product fits 64 bits.
    if (static_cast<std::uint64_t>(header.height) * static_cast<std::uint64_t>(row_size) >
        pixel_area)
        return std::nullopt;
    return RowLayout{static_cast<std::int32_t>(row_size), header.height, pixel_area};
}

// A record with a zero-filled row buffer of `row_bytes`; null when memory runs out.
DioBitmap* allocate_bitmap(std::size_t row_bytes) {
    auto* bitmap = static_cast<DioBitmap*>(std::malloc(sizeof(DioBitmap)));
    // calloc(0) may return null; an empty pixel area still gets a buffer of its own.
    auto* rows = static_cast<std::uint8_t*>(std::calloc(row_bytes == 0 ? 1 : row_bytes, 1));
    if (bitmap == nullptr || rows == nullptr) {
        std::free(rows);
        std::free(bitmap);
        return nullptr;
    }
    bitmap->rows = rows;
    return bitmap;
}

}  // namespace

DioBitmap* parse_bitmap(std::span<const std::uint8_t> file, const char* name) {
    const std::optional<BmpHeader> header = read_bmp_header(file);
    if (!header) return nullptr;
    const std::optional<RowLayout> layout = checked_layout(*header, file.size());
    if (!layout) return nullptr;
    DioBitmap* bitmap = allocate_bitmap(layout->pixel_area);
    if (bitmap == nullptr) return nullptr;

    print_bmp_header(name, *header, layout->row_size);
    bitmap->row_size = layout->row_size;
    bitmap->height = layout->height;
    // Rows are counted back from the end of the file, not forward from the data offset: bytes
    // after the pixel data end up in row 0. A row size of 0 leaves nothing to copy.
    const auto row_size = static_cast<std::size_t>(layout->row_size);
    if (row_size != 0) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(layout->height); ++i)
            std::memcpy(bitmap->rows + i * row_size, file.data() + file.size() - (i + 1) * row_size,
                        row_size);
    }
    return bitmap;
}

void free_bitmap(DioBitmap* bitmap) {
    if (bitmap == nullptr) return;
    std::free(bitmap->rows);
    std::free(bitmap);
}

}  // namespace quorvel::display
