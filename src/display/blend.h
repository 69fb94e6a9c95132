// Blend modes: how a new frame-buffer byte combines with the byte already there.
#pragma once

#include <algorithm>
#include <cstdint>

#include "QuorvelWCHDLL.h"
#include "display/geometry.h"

namespace quorvel::display {

// Calls body(op) with the byte operation op(old, new) -> result of blend mode `mode` and returns
// true; returns false without calling body for a value that is no blend mode. Every operation is
// branch-free per byte, so a loop over a run in `body` can be vectorised.
template <typename Body>
bool with_blend_op(std::int32_t mode, Body&& body) {
    switch (mode) {
    case DIO_BLEND_REPLACE:
        body([](std::uint8_t, std::uint8_t v) -> std::uint8_t { return v; });
        return true;
    case DIO_BLEND_OR:
        body([](std::uint8_t o, std::uint8_t v) -> std::uint8_t { return o | v; });
        return true;
    case DIO_BLEND_MAX:
        // Each pixel keeps the brighter of its two levels; the nibbles never mix. The larger of
        // two bytes has the larger high nibble, so the high pixel needs no mask before comparing.
        body([](std::uint8_t o, std::uint8_t v) -> std::uint8_t {
            return (std::max(o, v) & kHighNibble) |
                   std::max<std::uint8_t>(o & kLowNibble, v & kLowNibble);
        });
        return true;
    case DIO_BLEND_XOR:
        body([](std::uint8_t o, std::uint8_t v) -> std::uint8_t { return o ^ v; });
        return true;
    case DIO_BLEND_NONZERO_REPLACE:
        // A new pixel of level 0 is transparent.
        // The old nibble is kept where the new one is 0; v has no bits there, so an OR joins them.
        body([](std::uint8_t o, std::uint8_t v) -> std::uint8_t {
            const std::uint8_t keep = ((v & kHighNibble) == 0 ? kHighNibble : 0) |
                                      ((v & kLowNibble) == 0 ? kLowNibble : 0);
            return v | (o & keep);
        });
        return true;
    default:
        return false;
    }
}

// The result of blending new_byte into old_byte; any value that is no blend mode keeps old_byte.
std::uint8_t blend(std::int32_t mode, std::uint8_t old_byte, std::uint8_t new_byte);

}  // namespace quorvel::display
