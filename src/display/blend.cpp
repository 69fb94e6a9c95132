#include "display/blend.h"

namespace quorvel::display {

std::uint8_t blend(std::int32_t mode, std::uint8_t old_byte, std::uint8_t new_byte) {
    std::uint8_t result = old_byte;
    with_blend_op(mode, [&](auto op) { result = op(old_byte, new_byte); });
    return result;
}

}  // namespace quorvel::display
