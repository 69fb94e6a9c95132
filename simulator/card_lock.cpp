#include "card_lock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "environment_number.h"

namespace ch367sim {

namespace {

constexpr std::uint64_t kDefaultLockWaitMs = 1000;
constexpr std::uint64_t kLongestLockWaitMs = 86'400'000;  // a day

std::string clock_time(std::uint64_t ms_since_1970) {
    const std::time_t seconds = static_cast<std::time_t>(ms_since_1970 / 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[16] = {};
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

}  // namespace

std::chrono::milliseconds lock_wait() {
    // At most a day: a longer wait is no wait a user means, and times stay far from overflow.
    static const std::uint64_t ms = [] {
        const auto value = environment_number(std::getenv("CH367SIM_LOCK_WAIT_MS"));
        return value && *value > 0 && *value <= kLongestLockWaitMs ? *value : kDefaultLockWaitMs;
    }();
    return std::chrono::milliseconds(ms);
}

std::uint64_t milliseconds_since_1970() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

std::uint64_t card_accesses(ch367sim_card_state& state) {
    ch367sim_counters& counters = state.bridge.counters;
    return std::atomic_ref<std::uint64_t>(counters.register_reads).load(std::memory_order_relaxed) +
           std::atomic_ref<std::uint64_t>(counters.register_writes).load(std::memory_order_relaxed) +
           std::atomic_ref<std::uint64_t>(counters.closed_accesses).load(std::memory_order_relaxed);
}

void say_card_held(std::uint32_t holder, std::uint64_t since_ms) {
    const std::uint64_t now = milliseconds_since_1970();
    if (since_ms != 0 && since_ms <= now) {
        std::fprintf(stderr, "ch367sim: waiting for the card: process %u holds it since %s (%.1f s)\n",
                     holder, clock_time(since_ms).c_str(), static_cast<double>(now - since_ms) / 1000);
    } else {
        std::fprintf(stderr, "ch367sim: waiting for the card: process %u holds it\n", holder);
    }
}

void say_card_taken_from_stalled(std::uint32_t holder, std::chrono::milliseconds idle) {
    std::fprintf(stderr,
                 "ch367sim: took the card from process %u, which made no access for %.1f s; its "
                 "command was ended (frame error)\n",
                 holder, static_cast<double>(idle.count()) / 1000);
}

void say_card_taken_from_stale(std::uint32_t holder) {
    std::fprintf(stderr,
                 "ch367sim: took the card from a lock left by an earlier process %u; the process "
                 "with that id now is another one\n",
                 holder);
}

void say_card_lost(std::uint32_t taker) {
    std::fprintf(stderr,
                 "ch367sim: this process made no access for too long and lost the card to process "
                 "%u, which ended its command; taking the card again\n",
                 taker);
}

}  // namespace ch367sim
