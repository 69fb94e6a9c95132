#include "link/delay.h"

#include <chrono>
#include <thread>

namespace quorvel::link {

void delay_ms(std::int64_t milliseconds) {
    if (milliseconds <= 0) return;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    // A sleep may wake early on some platforms; keep sleeping until the deadline has passed.
    for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
        std::this_thread::sleep_for(deadline - now);
    }
}

}  // namespace quorvel::link
