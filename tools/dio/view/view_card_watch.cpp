#include "view_card_watch.h"

#include "simulator_link.h"
#include "view_json.h"

namespace dio {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kFrameInterval = 33ms;  // at most 30 pictures a second
constexpr auto kFileInterval = 100ms;  // how often the file and the card's lock are looked at
constexpr auto kHeldAfter = 200ms;     // a snapshot waiting this long waits for a holder
constexpr auto kFirstPictureWait = 300ms;
constexpr std::int64_t kHistoryWindowMs = 10000;  // the I/O lines' history the page shows
constexpr std::size_t kHistoryChanges = 1024;     // at most this many changes of it kept

const char* state_name(CardFileState state) {
    switch (state) {
        case CardFileState::kPresent: return "present";
        case CardFileState::kGone: return "gone";
        case CardFileState::kReplaced: return "replaced";
        case CardFileState::kTruncated: return "truncated";
        case CardFileState::kLost: return "lost";
    }
    return "present";
}

}  // namespace

CardWatch::CardWatch(const std::string& path)
    : snapshot_(simulator_function<int(ch367sim_card_state*)>("ch367sim_card_snapshot")),
      changes_(simulator_function<std::uint64_t()>("ch367sim_card_changes")),
      holder_(simulator_function<int(std::uint32_t*, std::uint64_t*)>("ch367sim_card_holder")),
      card_(std::make_unique<ch367sim_card_state>()),
      file_(path) {
    std::unique_lock<std::mutex> lock(mutex_);
    publish();
    card_thread_ = std::thread([this] { watch_card(); });
    file_thread_ = std::thread([this] { watch_file(); });
    changed_.wait_for(lock, kFirstPictureWait, [this] { return !card_json_.is_null(); });
}

CardWatch::~CardWatch() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    stop_.notify_all();
    card_thread_.join();
    file_thread_.join();
}

std::string CardWatch::next(std::uint64_t& seen, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return stopping_ || version_ > seen; });
    if (version_ <= seen) return {};
    seen = version_;
    return json_;
}

std::shared_ptr<const std::string> CardWatch::memory(std::uint64_t& changes) {
    std::lock_guard<std::mutex> guard(mutex_);
    changes = memory_changes_;
    return memory_;
}

std::string CardWatch::current() {
    std::lock_guard<std::mutex> guard(mutex_);
    return json_;
}

bool CardWatch::pause(std::chrono::milliseconds interval) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !stop_.wait_for(lock, interval, [this] { return stopping_; });
}

void CardWatch::watch_card() {
    std::uint64_t last_changes = 0;
    bool playing = false;  // a running pattern moves the card without a change being counted
    do {
        if (!file_.whole()) continue;  // the mapping of a short file can't be read
        const std::uint64_t changes = changes_();
        if (!refresh_wanted_.exchange(false) && changes == last_changes && !playing) continue;
        last_changes = changes;
        snapshot_started_ = Clock::now().time_since_epoch().count();
        const bool taken = snapshot_(card_.get()) == 1;
        snapshot_started_ = 0;
        nlohmann::json json = taken ? card_json(*card_) : nlohmann::json();
        const bool memory_moved = taken && (memory_ == nullptr || card_->changes != memory_changes_);
        auto memory = memory_moved ? std::make_shared<const std::string>(memory_bytes(*card_)) : nullptr;
        playing = taken && (card_->pattern_generator.status & CH367SIM_PG_STATUS_RUNNING) != 0;
        std::lock_guard<std::mutex> guard(mutex_);
        // A card that is only looked at again while a pattern plays need not be sent again.
        if (taken && json == card_json_ && held_by_ == 0 && !memory_moved) continue;
        if (taken) {
            card_json_ = std::move(json);
            remember_io_lines(card_->pattern_generator.io_lines);
            if (memory_moved) {
                memory_ = std::move(memory);
                memory_changes_ = card_->changes;
            }
        } else {
            file_state_ = CardFileState::kLost;
        }
        held_by_ = 0;
        publish();
    } while (pause(kFrameInterval));
}

void CardWatch::watch_file() {
    while (pause(kFileInterval)) {
        bool written = false;
        const CardFileState state = file_.look(written);
        if (written) refresh_wanted_ = true;
        const std::int64_t started = snapshot_started_;
        const bool waiting = started != 0 && Clock::now().time_since_epoch().count() - started >=
                                                 Clock::duration(kHeldAfter).count();
        std::uint32_t holder = 0;
        if (waiting && state == CardFileState::kPresent) holder_(&holder, nullptr);
        std::lock_guard<std::mutex> guard(mutex_);
        const CardFileState shown = file_state_ == CardFileState::kLost ? file_state_ : state;
        if (shown == file_state_ && holder == held_by_) continue;
        file_state_ = shown;
        held_by_ = holder;
        publish();
    }
}

void CardWatch::remember_io_lines(std::uint32_t value) {
    const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began_).count();
    if (io_history_.empty() || io_history_.back().second != value) io_history_.emplace_back(now, value);
    // Keep the last change before the window: the value the window starts with.
    while (io_history_.size() > kHistoryChanges ||
           (io_history_.size() > 1 && io_history_[1].first <= now - kHistoryWindowMs)) {
        io_history_.pop_front();
    }
}

void CardWatch::publish() {
    nlohmann::json state = card_json_.is_null() ? nlohmann::json::object() : card_json_;
    state["held_by"] = held_by_ != 0 ? nlohmann::json(held_by_) : nlohmann::json(nullptr);
    const std::string problem = card_file_problem(file_state_, file_.path());
    state["card_file"] = {{"path", file_.path()},
                          {"state", state_name(file_state_)},
                          {"problem", problem.empty() ? nlohmann::json(nullptr) : nlohmann::json(problem)}};
    nlohmann::json changes = nlohmann::json::array();
    for (const auto& [time, value] : io_history_) changes.push_back({time, value});
    state["io_history"] = {
        {"now_ms", std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began_).count()},
        {"window_ms", kHistoryWindowMs},
        {"changes", std::move(changes)}};
    json_ = state.dump();
    ++version_;
    changed_.notify_all();
}

}  // namespace dio
