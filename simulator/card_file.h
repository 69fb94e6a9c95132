// The card kept in a file that every process naming it maps into memory, and the lock between
// those processes. A command runs under the lock as a whole (see Card::locked); a process that
// dies holding it leaves the card to the next one, which takes it over.
#pragma once

#include <atomic>
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

    // Takes the lock, waiting for the process that holds it. Returns true when that process died
    // holding it: the card is as it left it, possibly within a transaction.
    bool lock();
    void unlock();

private:
    struct Platform;
    CardFile(ch367sim_card_state* state, std::unique_ptr<Platform> platform);

    ch367sim_card_state* state_;
    std::unique_ptr<Platform> platform_;
    std::atomic<bool> lost_{false};
};

}  // namespace ch367sim
