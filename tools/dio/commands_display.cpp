// Commands for the OLED display. Drawing goes into the frame buffer unless --imm sends it
// straight to the display. The frame buffer lives only as long as the session: a single
// command from the shell sends it when it ends, a script sends it with `oled send`.
#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "arguments.h"
#include "command_table.h"
#include "drawing.h"
#include "failure.h"
#include "files.h"
#include "gray_levels.h"
#include "numbers.h"
#include "session.h"

namespace dio {

namespace {

CLI::Option* add_level(CLI::App& command, const std::string& name, std::uint8_t& level,
                       const std::string& help) {
    return add_number(command, name, level, help, {0, kMaxLevel})->required();
}

// ---- Set-up, clearing, sending -------------------------------------------------------------------

Action define_setup(CLI::App&) {
    return [](Session& session) {
        std::int16_t status = DIO_OK;
        const std::uint8_t flag = DioSetupOLED(session.card(), &status);
        check_status(status);
        check_flag(flag);
        session.cancel_flush();  // the set-up clears both the screen and the frame buffer
    };
}

Action define_clear(CLI::App& command) {
    auto immediate = std::make_shared<bool>(false);
    command.add_flag("--imm", *immediate, "clear the display row by row instead of the frame buffer");
    return [immediate](Session& session) {
        if (*immediate) {
            DIOClearOLEDImm(session.card());
        } else {
            DioClearOLEDBuff(session.card());
            session.defer_flush(kSendFrameBuffer);
        }
    };
}

Action define_send(CLI::App&) {
    return [](Session& session) {
        DioSendOLEDBuff(session.card());
        session.cancel_flush();
    };
}

// ---- Drawing ----------------------------------------------------------------------------------

struct TextArguments {
    std::uint8_t x = 0;
    std::uint8_t y = 0;
    std::string text;
    Target target;
};

Action define_text(CLI::App& command) {
    auto args = std::make_shared<TextArguments>();
    add_number(command, "x", args->x, "pixel column of the first character")->required();
    add_number(command, "y", args->y, "pixel row of the top of the characters")->required();
    command.add_option("text", args->text, "the text (8 x 16 pixel characters)")->required();
    add_target(command, args->target);
    return [args](Session& session) {
        const char* text = args->text.c_str();
        draw(session, args->target,
             [&](DioMasterHandle* card) { DioWriteOLEDStrImm(card, args->x, args->y, text); },
             [&](DioMasterHandle* card, std::int32_t mode) {
                 DioWriteOLEDStrBuff(card, mode, args->x, args->y, text);
             });
    };
}

struct LineArguments {
    std::array<std::uint8_t, 4> ends{};  // x0, y0, x1, y1
    std::array<std::uint8_t, 2> levels{};
    Target target;
};

Action define_line(CLI::App& command) {
    auto args = std::make_shared<LineArguments>();
    add_number(command, "x0", args->ends[0], "start column")->required();
    add_number(command, "y0", args->ends[1], "start row")->required();
    add_number(command, "x1", args->ends[2], "end column (not drawn)")->required();
    add_number(command, "y1", args->ends[3], "end row (not drawn)")->required();
    add_level(command, "level0", args->levels[0], "gray level 0..15 at the start");
    add_level(command, "level1", args->levels[1], "gray level 0..15 towards the end");
    add_target(command, args->target);
    return [args](Session& session) {
        // Plain names, not structured bindings: clang 14 (the fuzz build) cannot capture those.
        const auto x0 = args->ends[0], y0 = args->ends[1], x1 = args->ends[2], y1 = args->ends[3];
        const auto level0 = args->levels[0], level1 = args->levels[1];
        draw(session, args->target,
             [&](DioMasterHandle* card) { DioWriteOLEDLineImm(card, x0, y0, x1, y1, level0, level1); },
             [&](DioMasterHandle* card, std::int32_t mode) {
                 DioWriteOLEDLineBuff(card, mode, x0, y0, x1, y1, level0, level1);
             });
    };
}

// A rectangle of packed bytes, drawn as height runs of width bytes.
struct Area {
    std::uint8_t x = 0;
    std::uint8_t y = 0;
    std::uint8_t width = 0;  // bytes per row, two pixels each
    std::uint8_t height = 0;
    std::vector<std::uint8_t> bytes;
};

void draw_area(Session& session, const Target& target, const Area& area) {
    warn_past_edges(session, area.x, area.y, 2u * area.width, area.height);
    draw(session, target,
         [&](DioMasterHandle* card) {
             DioWriteOLEDAreaArrImm(card, area.x, area.y, area.width, area.height, area.bytes.data());
         },
         [&](DioMasterHandle* card, std::int32_t mode) {
             DioWriteOLEDAreaArrBuff(card, mode, area.x, area.y, area.width, area.height,
                                     area.bytes.data());
         });
}

// The area's bytes typed as hex. A single word with letters beyond hex digits was meant as the
// name of a file.
std::vector<std::uint8_t> typed_area_bytes(const std::vector<std::string>& words) {
    try {
        return parse_hex_bytes(words);
    } catch (const Failure&) {
        const bool hex_letters_only =
            words[0].find_first_not_of("0123456789abcdefABCDEFxX") == std::string::npos;
        if (words.size() != 1 || hex_letters_only) throw;
        throw Failure("cannot open '" + words[0] + "': " +
                      std::make_error_code(std::errc::no_such_file_or_directory).message() +
                      " (nor is it hex bytes)");
    }
}

// The area's bytes from a file of hex text.
std::vector<std::uint8_t> area_file_bytes(const std::string& path) {
    const std::string text = read_file(path, kTextLimit);
    try {
        return parse_hex_bytes(hex_text_words(text));
    } catch (const Failure& failure) {
        throw Failure("'" + path + "': " + failure.what());
    }
}

struct AreaArguments {
    Area area;
    std::vector<std::string> data;
    Target target;
};

Action define_area(CLI::App& command) {
    auto args = std::make_shared<AreaArguments>();
    add_number(command, "x", args->area.x, "pixel column of the left edge")->required();
    add_number(command, "y", args->area.y, "pixel row of the top edge")->required();
    add_number(command, "width", args->area.width, "bytes per row (two pixels each)")->required();
    add_number(command, "height", args->area.height, "rows")->required();
    command
        .add_option("data", args->data,
                    "packed bytes in hex, top row first, or the name of a file holding them")
        ->required();
    add_target(command, args->target);
    return [args](Session& session) {
        Area& area = args->area;
        const std::vector<std::string>& data = args->data;
        // A long hex word is no file name: the check must answer "no file" rather than fail.
        std::error_code no_file;
        const bool from_file = data.size() == 1 && std::filesystem::exists(data[0], no_file);
        area.bytes = from_file ? area_file_bytes(data[0]) : typed_area_bytes(data);
        const std::size_t expected = std::size_t{area.width} * area.height;
        if (area.bytes.size() != expected) {
            throw Failure("an area of " + std::to_string(area.width) + " x " +
                              std::to_string(area.height) + " bytes needs " +
                              std::to_string(expected) + " bytes, got " +
                              std::to_string(area.bytes.size()),
                          from_file ? kExitFailure : kExitUsage);
        }
        draw_area(session, args->target, area);
    };
}

struct ImageArguments {
    Placement placement;
    bool dither = false;
};

Action define_image(CLI::App& command) {
    auto args = std::make_shared<ImageArguments>();
    add_placement(command, args->placement, "PNG picture, at most 256 x 64 pixels");
    command.add_flag("--dither", args->dither, "Floyd-Steinberg dithering to the 16 gray levels");
    return [args](Session& session) {
        const Placement& at = args->placement;
        const GrayImage gray =
            read_panel_picture(at.file, args->dither ? Dither::floyd_steinberg : Dither::none);
        const auto row_bytes = static_cast<std::uint8_t>((gray.width + 1) / 2);
        const Area area{at.x, at.y, row_bytes, static_cast<std::uint8_t>(gray.height),
                        pack_rows(gray, row_bytes)};
        draw_area(session, at.target, area);
    };
}

constexpr Command kCommands[] = {
    {"", "oled", "draw on the OLED display", nullptr},
    {"oled", "setup", "reset and initialise the display; clears the screen and the frame buffer",
     define_setup},
    {"oled", "clear", "clear the frame buffer (or, with --imm, the display)", define_clear},
    {"oled", "send", "send the frame buffer to the display", define_send},
    {"oled", "text", "draw text", define_text},
    {"oled", "line", "draw a line with a gray ramp", define_line},
    {"oled", "area", "draw a rectangle of packed bytes", define_area},
    {"oled", "image", "draw a PNG picture in 16 gray levels", define_image},
};

}  // namespace

std::span<const Command> display_commands() { return kCommands; }

}  // namespace dio
