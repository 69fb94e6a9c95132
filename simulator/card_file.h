// The card kept in a file that every process naming it maps into memory, and the lock between
// those processes (a word in the record, the same on every platform). A command runs under the lock as a whole (see Card::locked); a process that
// dies holding it, or stops making accesses in the middle of a command, leaves the card to the
// next one, which takes it over.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "ch367sim.h"

namespace ch367sim {

class CardFile {
public:
    // Maps the card file `path`, first creating it with the record `power_on` when it is missing
    // (created whole or not at all, so another process never sees half a file). Null when the
    // file is no card file or can't be used; then `problem` ends a sentence that starts with the
    // file's name. A file that is not a card is never written to. The card's storage is reserved:
    // a new file's before it is linked into place, a sparse card file's (changing no byte) when it
    // is opened; a file whose storage cannot be reserved is refused.
    static std::unique_ptr<CardFile> open(const std::string& path,
                                          const ch367sim_card_state& power_on,
                                          std::string& problem);
    ~CardFile();
    CardFile(const CardFile&) = delete;
    CardFile& operator=(const CardFile&) = delete;

    ch367sim_card_state& state() { return *state_; }

    // True once the file stopped backing the card in this process (truncated or copied over while
    // mapped, or storage that could not back a page): the record then reads as zeros, and the
    // card is gone for this process. A plain load, so it may be asked at every access.
    bool lost() const { return lost_.load(std::memory_order_relaxed); }
    // What happened to the file, as the end of a sentence that starts with its name.
    std::string loss() const;

    // How lock() got the lock.
    enum class Taken {
        free,          // nobody held it, or its holder let go
        from_gone,     // its holder died, or is no longer the process that took it
        from_stalled,  // its holder made no access for the lock wait (see lock_wait())
        not_taken,     // an observer gave up after the lock wait
    };
    // Takes the lock, waiting for the process that holds it. After the lock wait the waiter says
    // once which process holds the card; a holder that made no access for that long loses it.
    // An `observer` never takes the card from a live holder: after the lock wait it gets
    // not_taken instead. Except when free, the card is as the holder left it, possibly within a
    // transaction.
    Taken lock(bool observer = false);
    void unlock();
    // False once another process has taken the lock from this one: one load.
    bool still_held() {
        return holder_id_ == 0 ||
               std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(state_->lock))
                       .load(std::memory_order_relaxed) == holder_id_;
    }
    // The process that took the lock from this one when it stalled (0 when not known).
    std::uint32_t taken_by();
    // The holder's command begins: waiters say since when the card is held.
    void command_started();
    // Another process that holds the lock now, and when its command began (milliseconds since
    // 1970; 0 when not known). False when the card is free or this process holds it.
    bool held_elsewhere(std::uint32_t& pid, std::uint64_t& since_ms);

private:
    struct Platform;
    CardFile(ch367sim_card_state* state, std::unique_ptr<Platform> platform);
    // The wait for the lock's holder, watching the holder (card_file_lock.cpp).
    Taken wait_for_lock(bool observer);
    // The platform's part of the lock. Sleeps while the lock word holds `seen`, or until a
    // holder lets go, for at most the time between looks at the holder: false when that ran out.
    bool sleep_while_held(std::uint32_t seen);
    // Wakes one process that sleeps in sleep_while_held().
    void wake_a_waiter();

    ch367sim_card_state* state_;
    std::unique_ptr<Platform> platform_;
    std::atomic<bool> lost_{false};
    // The id the lock word holds while this process has the card (0 until it first took it).
    std::uint32_t holder_id_ = 0;
    bool let_go_to_waiters_ = false;  // the last unlock() found processes waiting
    // The holder and command this process last said it waits for: said once, not at every wait.
    std::uint32_t told_holder_ = 0;
    std::uint64_t told_since_ = 0;
};

}  // namespace ch367sim
