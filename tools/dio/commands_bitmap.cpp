// `oled bitmap`: a BMP file loaded and drawn by the library's bitmap exports.
#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "command_table.h"
#include "drawing.h"
#include "failure.h"
#include "files.h"

namespace dio {

namespace {

struct BitmapCloser {
    void operator()(DioBitmap* bitmap) const { DioCloseBMP(nullptr, &bitmap); }
};

// What the library makes of a BMP file's header when it draws it.
struct BitmapShape {
    std::uint16_t bits_per_pixel = 0;
    std::uint32_t width = 0;   // pixels per drawn row: two per byte of a row, padding included
    std::uint32_t height = 0;  // rows drawn
};

// The shape from the header fields that size the rows, or nothing for a file too short to
// have them (the library loads it all the same).
std::optional<BitmapShape> read_bitmap_shape(const std::string& path) {
    constexpr std::size_t kWidthAt = 18, kHeightAt = 22, kBitsAt = 28;
    std::array<unsigned char, kBitsAt + 2> header{};
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size())) return std::nullopt;
    const auto field = [&](std::size_t at, int bytes) {
        std::uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) value = value << 8 | header[at + i];
        return value;
    };
    BitmapShape shape;
    shape.bits_per_pixel = static_cast<std::uint16_t>(field(kBitsAt, 2));
    // The library's row size, padded to 4 bytes, of which drawing takes the low 8 bits as it
    // does of the height.
    const std::uint32_t row_bytes = ((shape.bits_per_pixel * field(kWidthAt, 4) + 31) >> 5) << 2;
    shape.width = 2 * (row_bytes & 0xFF);
    shape.height = field(kHeightAt, 4) & 0xFF;
    return shape;
}

// The library draws every file as rows of packed 4-bit pixels: say so when the file is not one.
void warn_about_shape(const Session& session, const Placement& at) {
    constexpr std::uint16_t kDisplayBits = 4;
    const auto shape = read_bitmap_shape(at.file);
    if (!shape) return;
    if (shape->bits_per_pixel != kDisplayBits) {
        session.warn("'" + at.file + "' has " + std::to_string(shape->bits_per_pixel) +
                     " bits per pixel; it draws as packed 4-bit pixels (dio convert makes such files)");
    }
    warn_past_edges(session, at.x, at.y, shape->width, shape->height);
}

Action define_bitmap(CLI::App& command) {
    auto placement = std::make_shared<Placement>();
    add_placement(command, *placement, "BMP file with display-packed 4-bit rows");
    return [placement](Session& session) {
        const Placement& at = *placement;
        // The library says only that the file is invalid when it cannot open it.
        check_regular_file(at.file);
        std::int16_t status = DIO_OK;
        const std::unique_ptr<DioBitmap, BitmapCloser> bitmap(
            DioOpenBMP(nullptr, at.file.c_str(), &status));
        if (!bitmap) fail_with_status(status == DIO_OK ? DIO_ERR_INVALID_BMP : status);
        warn_about_shape(session, at);
        draw(session, at.target,
             [&](DioMasterHandle* card) { DioWriteOLEDAreaBMPImm(card, at.x, at.y, bitmap.get()); },
             [&](DioMasterHandle* card, std::int32_t mode) {
                 DioWriteOLEDAreaBMPBuff(card, mode, at.x, at.y, bitmap.get());
             });
    };
}

constexpr Command kCommands[] = {
    {"oled", "bitmap", "draw a BMP file (as DioOpenBMP loads it)", define_bitmap},
};

}  // namespace

std::span<const Command> bitmap_commands() { return kCommands; }

}  // namespace dio
