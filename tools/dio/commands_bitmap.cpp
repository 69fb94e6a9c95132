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
#include "gray_levels.h"
#include "simulator_link.h"

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
    // False when the palette is there and an entry is not the gray of its index (entry i gray
    // 17 i): the card shows index i as gray level i whatever colour the entry holds.
    bool gray_ramp = true;
};

// The shape from the header fields that size the rows, or nothing for a file too short to
// have them (the library loads it all the same).
std::optional<BitmapShape> read_bitmap_shape(const std::string& path) {
    constexpr std::size_t kInfoAt = 14, kWidthAt = 18, kHeightAt = 22, kBitsAt = 28, kColoursAt = 46;
    constexpr std::size_t kLargestInfo = 124, kPaletteBytes = 16 * 4;
    std::array<unsigned char, kInfoAt + kLargestInfo + kPaletteBytes> header{};
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(header.data()), header.size());
    const auto read = static_cast<std::size_t>(file.gcount());
    if (read < kBitsAt + 2) return std::nullopt;
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
    const std::uint32_t info_bytes = field(kInfoAt, 4);
    const std::uint32_t colours = read >= kColoursAt + 4 ? field(kColoursAt, 4) : 0;
    const std::size_t entries = colours == 0 || colours > 16 ? 16 : colours;
    const std::size_t palette_at = kInfoAt + info_bytes;
    if (info_bytes >= 40 && info_bytes <= kLargestInfo && palette_at + 4 * entries <= read) {
        for (std::size_t i = 0; i < entries; ++i) {
            const unsigned char* entry = &header[palette_at + 4 * i];  // blue, green, red, 0
            const auto gray = static_cast<unsigned char>(i * kLevelStep);
            shape.gray_ramp = shape.gray_ramp && entry[0] == gray && entry[1] == gray && entry[2] == gray;
        }
    }
    return shape;
}

// The library draws every file as rows of packed 4-bit pixels, their values as gray levels:
// say so when the file is not one such.
void warn_about_shape(const Session& session, const Placement& at) {
    constexpr std::uint16_t kDisplayBits = 4;
    const auto shape = read_bitmap_shape(at.file);
    if (!shape) return;
    if (shape->bits_per_pixel != kDisplayBits) {
        session.warn("'" + at.file + "' has " + std::to_string(shape->bits_per_pixel) +
                     " bits per pixel; it draws as packed 4-bit pixels (dio convert makes such files)");
    } else if (!shape->gray_ramp) {
        session.warn("'" + at.file + "' has a palette other than the 16 gray levels; its pixels draw "
                     "as the gray levels of their palette indices (dio convert makes such files)");
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
        load_card_library();
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
