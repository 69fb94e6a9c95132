#pragma once

#include <cstdint>

namespace quorvel::link {

// Blocks the calling thread for at least `milliseconds` on the monotonic clock; zero or less
// returns at once.
void delay_ms(std::int64_t milliseconds);

}  // namespace quorvel::link
