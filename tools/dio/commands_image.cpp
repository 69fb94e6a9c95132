// Commands on picture files, without the card: convert and compare.
#include <memory>
#include <string>

#include "bmp_writer.h"
#include "command_table.h"
#include "failure.h"
#include "files.h"
#include "gray_levels.h"
#include "image_compare.h"
#include "image_io.h"
#include "standard_output.h"

namespace dio {

namespace {

struct ConvertArguments {
    std::string input;
    std::string output;
    bool dither = false;
};

Action define_convert(CLI::App& command) {
    auto args = std::make_shared<ConvertArguments>();
    command.add_option("input", args->input, "PNG picture, at most 256 x 64 pixels")->required();
    command.add_option("output", args->output, "4-bit grayscale BMP to write")->required();
    command.add_flag("--dither", args->dither, "Floyd-Steinberg dithering to the 16 gray levels");
    return [args](Session&) {
        const GrayImage gray =
            read_panel_picture(args->input, args->dither ? Dither::floyd_steinberg : Dither::none);
        write_file(args->output, encode_gray_bmp(gray));
    };
}

struct CompareArguments {
    std::string first;
    std::string second;
    std::string diff;
};

Action define_compare(CLI::App& command) {
    auto args = std::make_shared<CompareArguments>();
    command.add_option("first", args->first, "PNG picture")->required();
    command.add_option("second", args->second, "PNG picture")->required();
    command.add_option("--diff", args->diff, "write a PNG showing differing pixels in red");
    return [args](Session&) {
        const auto levels = [](const std::string& path) {
            return to_gray_levels(read_png(path, kComparedPictureLimit), Dither::none);
        };
        const PanelDifference difference = compare_levels(levels(args->first), levels(args->second));
        write_standard_output(std::to_string(difference.differing) + " of " +
                              std::to_string(difference.total) + " pixels differ\n");
        if (!args->diff.empty()) write_png(args->diff, difference.diff);
        if (difference.differing != 0) throw Failure("the pictures differ", kExitDiffer);
    };
}

constexpr Command kCommands[] = {
    {"", "convert", "convert a PNG into a 4-bit grayscale BMP for DioOpenBMP", define_convert},
    {"", "compare", "compare two panel pictures by their gray levels", define_compare},
};

}  // namespace

std::span<const Command> image_commands() { return kCommands; }

}  // namespace dio
