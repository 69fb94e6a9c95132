#include "drawing.h"

#include "arguments.h"

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

void add_placement(CLI::App& command, Placement& placement, const std::string& file_help) {
    command.add_option("file", placement.file, file_help)->required();
    add_number(command, "x", placement.x, "pixel column of the left edge")->required();
    add_number(command, "y", placement.y, "pixel row of the top edge")->required();
    add_target(command, placement.target);
}

}  // namespace dio
