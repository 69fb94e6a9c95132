// The card as dio view serves it: the newest state as JSON, made once per change for every
// client, with what the view knows beside the card's record: who holds the card while the view
// waits for it (`held_by`), what became of the card file (`card_file`), and the I/O lines' recent
// history from the view's own readings (`io_history`). The memories are served apart, as bytes
// made once per change of the card.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "ch367sim.h"
#include "view_card_file.h"

namespace dio {

class CardWatch {
public:
    // Watches the card in the card file `path`, which the simulator has opened. Returns once the
    // first picture of the card is taken, or after a short while when another process holds the
    // card: the state then has no card fields until the holder lets go.
    explicit CardWatch(const std::string& path);
    ~CardWatch();
    CardWatch(const CardWatch&) = delete;
    CardWatch& operator=(const CardWatch&) = delete;

    // The JSON of a version after `seen`, waiting up to `timeout` for it; empty when none came.
    std::string next(std::uint64_t& seen, std::chrono::milliseconds timeout);
    std::string current();
    // Both memories (see memory_bytes()) as last read, and the card's change count then.
    std::shared_ptr<const std::string> memory(std::uint64_t& changes);

private:
    void watch_card();  // takes a snapshot when the card changed: waits while the card is held
    void watch_file();  // looks at the file and at who holds the card, without waiting
    void publish();     // with mutex_ held
    void remember_io_lines(std::uint32_t value);  // with mutex_ held
    bool pause(std::chrono::milliseconds interval);  // false when the watch stops

    int (*snapshot_)(ch367sim_card_state*);
    std::uint64_t (*changes_)();
    int (*holder_)(std::uint32_t* pid, std::uint64_t* since_ms);  // who holds the card, without its lock
    std::unique_ptr<ch367sim_card_state> card_;
    CardFileWatch file_;
    std::atomic<bool> refresh_wanted_ = true;
    std::atomic<std::int64_t> snapshot_started_ = 0;  // steady-clock ticks; 0 when none under way

    std::mutex mutex_;
    std::condition_variable changed_;  // a new version
    std::condition_variable stop_;
    nlohmann::json card_json_;  // null until the first snapshot
    std::uint32_t held_by_ = 0;
    CardFileState file_state_ = CardFileState::kPresent;
    std::shared_ptr<const std::string> memory_;
    std::uint64_t memory_changes_ = 0;
    // (milliseconds since the watch began, value) at each change the view saw, oldest first; the
    // first one may be older than the window: the value the window starts with.
    std::deque<std::pair<std::int64_t, std::uint32_t>> io_history_;
    std::chrono::steady_clock::time_point began_ = std::chrono::steady_clock::now();
    std::string json_;
    std::uint64_t version_ = 0;
    bool stopping_ = false;
    std::thread card_thread_;
    std::thread file_thread_;
};

}  // namespace dio
