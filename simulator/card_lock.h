// The lock bytes of a card file's record, as every platform keeps them, and the lines a process
// writes about the lock. Offsets in `lock`: 0 the holder's process id (0 = free), 4 the number of
// waiting processes, 8 the holder's start time (as the system counts it; 0 = not known), 16 when
// the holder's command began (milliseconds since 1970; 0 while it holds the card for one access
// only), 24 the process that last took the card from a stalled holder, 28 that holder.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "ch367sim.h"

namespace ch367sim {

inline std::atomic_ref<std::uint32_t> lock_owner(ch367sim_card_state& state) {
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(state.lock));
}
inline std::atomic_ref<std::uint32_t> lock_waiters(ch367sim_card_state& state) {
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(state.lock + 4));
}
inline std::atomic_ref<std::uint64_t> lock_owner_start(ch367sim_card_state& state) {
    return std::atomic_ref<std::uint64_t>(*reinterpret_cast<std::uint64_t*>(state.lock + 8));
}
inline std::atomic_ref<std::uint64_t> lock_since(ch367sim_card_state& state) {
    return std::atomic_ref<std::uint64_t>(*reinterpret_cast<std::uint64_t*>(state.lock + 16));
}

inline std::atomic_ref<std::uint32_t> lock_taker(ch367sim_card_state& state) {
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(state.lock + 24));
}
inline std::atomic_ref<std::uint32_t> lock_taken_from(ch367sim_card_state& state) {
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(state.lock + 28));
}

// How long a process waits for the card before it says who holds it, and how long a holder may
// make no access before a waiter takes the card from it: CH367SIM_LOCK_WAIT_MS, 1000 by default.
std::chrono::milliseconds lock_wait();

std::uint64_t milliseconds_since_1970();

// The register accesses made on the card so far, by any process: the holder makes them.
std::uint64_t card_accesses(ch367sim_card_state& state);

// This process as the lock word names it: its id, and its start time as the system counts it
// (0 when not known). Set when a card file is opened (and again in a forked child); plain
// values, as every lock reads them.
struct LockIdentity {
    std::uint32_t id = 0;
    std::uint64_t start = 0;
};
extern LockIdentity this_process;

// The platform's part of the lock word (card_file_posix.cpp, card_file_windows.cpp): whether
// the holder `pid` is gone (no such process, one that has exited, or a process of that id that
// started at another time than the record says); whether a process `pid` lives.
bool holder_gone(ch367sim_card_state& state, std::uint32_t pid);
bool process_lives(std::uint32_t pid);

// One line on stderr each.
void say_card_held(std::uint32_t holder, std::uint64_t since_ms);
void say_card_taken_from_stalled(std::uint32_t holder, std::chrono::milliseconds idle);
void say_card_taken_from_stale(std::uint32_t holder);
void say_card_lost(std::uint32_t taker);

}  // namespace ch367sim
