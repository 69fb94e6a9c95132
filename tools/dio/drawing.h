// What the display commands share: where a drawing goes (straight to the display, or blended
// into the frame buffer) and how a picture file is placed on the panel.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

#include "QuorvelWCHDLL.h"
#include "session.h"

namespace dio {

struct Target {
    std::int32_t mode = DIO_BLEND_REPLACE;
    bool immediate = false;
};

// --mode NAME (frame-buffer blend mode) and --imm (straight to the display).
void add_target(CLI::App& command, Target& target);

// Sending the frame buffer: the flush of a session that drew into it.
extern const Flush kSendFrameBuffer;

// Runs the immediate drawer, or the buffered one with the blend mode; buffered drawing leaves
// the frame buffer to be sent.
template <class Immediate, class Buffered>
void draw(Session& session, const Target& target, Immediate immediate, Buffered buffered) {
    if (target.immediate) {
        immediate(session.card());
    } else {
        buffered(session.card(), target.mode);
        session.defer_flush(kSendFrameBuffer);
    }
}

// Warns when a drawing of width x height pixels at (x, y) runs past the panel's right or bottom
// edge: it wraps there rather than being cut off, which is rarely what was meant.
void warn_past_edges(const Session& session, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                     std::uint32_t height);

// A picture file drawn with its top left corner at (x, y).
struct Placement {
    std::string file;
    std::uint8_t x = 0;
    std::uint8_t y = 0;
    Target target;
};

void add_placement(CLI::App& command, Placement& placement, const std::string& file_help);

}  // namespace dio
