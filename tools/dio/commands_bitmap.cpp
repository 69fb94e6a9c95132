// `oled bitmap`: a BMP file loaded and drawn by the library's bitmap exports.
#include <memory>

#include "command_table.h"
#include "drawing.h"
#include "failure.h"

namespace dio {

namespace {

struct BitmapCloser {
    void operator()(DioBitmap* bitmap) const { DioCloseBMP(nullptr, &bitmap); }
};

Action define_bitmap(CLI::App& command) {
    auto placement = std::make_shared<Placement>();
    add_placement(command, *placement, "BMP file with display-packed 4-bit rows");
    return [placement](Session& session) {
        const Placement& at = *placement;
        std::int16_t status = DIO_OK;
        const std::unique_ptr<DioBitmap, BitmapCloser> bitmap(
            DioOpenBMP(nullptr, at.file.c_str(), &status));
        if (!bitmap) fail_with_status(status == DIO_OK ? DIO_ERR_INVALID_BMP : status);
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
