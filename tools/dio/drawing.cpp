#include "drawing.h"

#include <string>

#include "arguments.h"
#include "gray_levels.h"

namespace dio {

void add_target(CLI::App& command, Target& target) {
    CLI::Option* mode = add_choice(command, "--mode", target.mode,
                                   {{"replace", DIO_BLEND_REPLACE},
                                    {"or", DIO_BLEND_OR},
                                    {"max", DIO_BLEND_MAX},
                                    {"xor", DIO_BLEND_XOR},
                                    {"nonzero", DIO_BLEND_NONZERO_REPLACE}},
                                   "frame-buffer blend mode (default replace)");
    command.add_flag("--imm", target.immediate, "draw straight to the display")->excludes(mode);
}

const Flush kSendFrameBuffer{DioSendOLEDBuff, "frame-buffer drawing was not sent (add 'oled send')"};

void warn_past_edges(const Session& session, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                     std::uint32_t height) {
    const bool right = x + width > kPanelWidth;
    const bool bottom = y + height > kPanelHeight;
    if (!right && !bottom) return;
    const char* edges = right && bottom ? "right and bottom edges"
                        : right         ? "right edge"
                                        : "bottom edge";
    session.warn(std::to_string(width) + " x " + std::to_string(height) + " pixels at (" +
                 std::to_string(x) + ", " + std::to_string(y) + ") run past the panel's " + edges +
                 " and wrap");
}

void add_placement(CLI::App& command, Placement& placement, const std::string& file_help) {
    command.add_option("file", placement.file, file_help)->required();
    add_number(command, "x", placement.x, "pixel column of the left edge")->required();
    add_number(command, "y", placement.y, "pixel row of the top edge")->required();
    add_target(command, placement.target);
}

}  // namespace dio
