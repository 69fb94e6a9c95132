// The lock between the processes of a card file, on every platform: the word in the record's lock
// bytes holding the process id of its owner (0 = free), beside it the owner's start time. A
// waiter sleeps on the word (the platform's part: a futex, or a named event) and looks at the
// owner between sleeps: one whose process is gone, or a process of that id that started at
// another time, loses the lock at once; one that made no access for the lock wait loses it then.
#include <chrono>
#include <thread>

#include "card_file.h"
#include "card_lock.h"

namespace ch367sim {

LockIdentity this_process;

namespace {

// How long a process that let go of the card while others waited leaves it to them before it
// competes again: a woken waiter needs this long to run, and without it the process that just
// let go would take the card back at once, every time.
constexpr auto kHandOverTime = std::chrono::milliseconds(2);

}  // namespace

CardFile::Taken CardFile::lock(bool observer) {
    const std::uint32_t me = this_process.id;
    auto owner = lock_owner(*state_);
    auto waiters = lock_waiters(*state_);
    if (let_go_to_waiters_) {
        let_go_to_waiters_ = false;
        const auto until = std::chrono::steady_clock::now() + kHandOverTime;
        while (owner.load() == 0 && waiters.load() != 0 && std::chrono::steady_clock::now() < until) {
            std::this_thread::yield();
        }
    }
    Taken taken = Taken::free;
    std::uint32_t seen = 0;
    if (owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) {
        // Taken at once, from a holder that let go: its unlock() cleared the command's start.
    } else if (seen == me) {
        // This process holds the lock only between its own calls to lock() and unlock(): its own
        // id in the word was left by an earlier process that had the same id.
        taken = Taken::from_gone;
    } else {
        taken = wait_for_lock(observer);
        if (taken == Taken::not_taken) return taken;
    }
    if (taken != Taken::free) lock_since(*state_).store(0, std::memory_order_relaxed);
    lock_owner_start(*state_).store(this_process.start, std::memory_order_relaxed);
    holder_id_ = me;
    return taken;
}

CardFile::Taken CardFile::wait_for_lock(bool observer) {
    const std::uint32_t me = this_process.id;
    auto owner = lock_owner(*state_);
    lock_waiters(*state_).fetch_add(1);
    using Clock = std::chrono::steady_clock;
    const auto wait = lock_wait();
    const auto start = Clock::now();
    auto last_access = start;
    std::uint64_t accesses = card_accesses(*state_);
    Taken taken = Taken::not_taken;
    for (;;) {
        std::uint32_t seen = 0;
        if (owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) {
            taken = Taken::free;
            break;
        }
        if (sleep_while_held(seen)) continue;
        if (holder_gone(*state_, seen)) {
            if (!owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) continue;
            // A dead holder needs no word; a live process of its id, that never had the card, does.
            if (process_lives(seen)) say_card_taken_from_stale(seen);
            taken = Taken::from_gone;
            break;
        }
        const auto now = Clock::now();
        const std::uint64_t accesses_now = card_accesses(*state_);
        if (accesses_now != accesses) {
            accesses = accesses_now;
            last_access = now;
        }
        if (now - start < wait) continue;
        const std::uint64_t since = lock_since(*state_).load(std::memory_order_relaxed);
        if (told_holder_ != seen || told_since_ != since) {
            told_holder_ = seen;
            told_since_ = since;
            say_card_held(seen, since);
        }
        if (observer) break;
        if (now - last_access >= wait &&
            owner.compare_exchange_strong(seen, me, std::memory_order_acquire)) {
            lock_taken_from(*state_).store(seen);
            lock_taker(*state_).store(me);
            say_card_taken_from_stalled(
                seen, std::chrono::duration_cast<std::chrono::milliseconds>(now - last_access));
            taken = Taken::from_stalled;
            break;
        }
    }
    lock_waiters(*state_).fetch_sub(1);
    return taken;
}

void CardFile::unlock() {
    // Plain stores (the last one orders them): no more atomic operations than the lock word's.
    // A card held for one access has no command start to clear, the most frequent case.
    auto since = lock_since(*state_);
    if (since.load(std::memory_order_relaxed) != 0) since.store(0, std::memory_order_relaxed);
    lock_owner_start(*state_).store(0, std::memory_order_relaxed);
    lock_owner(*state_).store(0);
    let_go_to_waiters_ = lock_waiters(*state_).load() != 0;
    if (let_go_to_waiters_) wake_a_waiter();
}

std::uint32_t CardFile::taken_by() {
    return lock_taken_from(*state_).load() == this_process.id ? lock_taker(*state_).load() : 0;
}

bool CardFile::held_elsewhere(std::uint32_t& pid, std::uint64_t& since_ms) {
    pid = lock_owner(*state_).load();
    since_ms = lock_since(*state_).load(std::memory_order_relaxed);
    return pid != 0 && pid != this_process.id;
}

}  // namespace ch367sim
