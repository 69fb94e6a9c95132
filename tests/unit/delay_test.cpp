#include "link/delay.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds elapsed_during(std::int64_t milliseconds) {
    const auto start = Clock::now();
    quorvel::link::delay_ms(milliseconds);
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

TEST(Delay, ZeroOrLessReturnsAtOnce) {
    for (const std::int64_t ms : {std::int64_t{0}, std::int64_t{-1}, INT64_MIN}) {
        EXPECT_LT(elapsed_during(ms).count(), 5) << ms;
    }
}

TEST(Delay, NeverReturnsEarly) {
    for (int i = 0; i < 5; ++i) EXPECT_GE(elapsed_during(10).count(), 10);
}

}  // namespace
