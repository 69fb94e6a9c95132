// The simulated card: the bridge and the devices behind its chip selects, working on the card's
// state record. The record lives in this process, or, when CH367SIM_CARD names a file, in that
// file, shared with every process that names it.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "bridge.h"
#include "card_file.h"
#include "display_model.h"
#include "external_device.h"
#include "outputs/call_trace.h"
#include "outputs/output_set.h"
#include "pattern_generator.h"
#include "thread_gate.h"

namespace ch367sim {

// Where the card's state record lives.
class CardStorage {
public:
    // The file CH367SIM_CARD names, or a record of this process's own when it names none. A file
    // that is refused leaves a private record and a line on stderr.
    CardStorage();
    ch367sim_card_state& state() { return *state_; }
    CardFile* file() const { return file_.get(); }
    bool refused() const { return refused_; }
    // The path CH367SIM_CARD names; empty for a private card.
    const std::string& path() const { return path_; }
    // The card file stopped backing the card (see CardFile::lost); says so on stderr, once.
    void report_loss();
    // Why the file was refused: "card file PATH PROBLEM"; empty when it was not.
    const std::string& refusal() const { return refusal_; }
    // Set before the card is first used: a refusal is left to the host to report.
    static inline std::atomic<bool> host_reports_refusal{false};

private:
    std::unique_ptr<ch367sim_card_state> own_;
    std::unique_ptr<CardFile> file_;
    ch367sim_card_state* state_ = nullptr;
    std::string path_;
    bool refused_ = false;
    bool loss_reported_ = false;
    std::string refusal_;
};

// Puts `state` at power-on: header, bridge and both device models; no recent commands.
void power_on_record(ch367sim_card_state& state);

struct Card {
    CardStorage storage;
    Bridge bridge;
    PatternGenerator pattern_generator;  // device 0
    DisplayModel display;                // device 1
    std::array<std::optional<ExternalDevice>, Bridge::kDeviceCount> external;  // devices 2..5
    std::unique_ptr<OutputSet> outputs;  // the output files asked for, or null
    // The recording of the driver calls asked for (CH367SIM_TRACE), or null; the driver's
    // functions write it.
    std::unique_ptr<ch367bus::CallRecording> call_trace;

    Card();
    // Power-on: detaches external devices, then resets the bridge and every device model.
    void reset();
    bool attach_external(std::uint8_t index, const ch367sim_device* device);

    // The driver calls that reach the card's state; each one runs as a part of a whole command
    // (see `locked`).
    bool open_device();
    bool read(std::uint64_t address, std::uint8_t* value);
    bool write(std::uint64_t address, std::uint8_t value);
    // Closing the device lets go of the card, even in the middle of a command.
    void close_device();
    // Copies the whole record into `copy`: under the lock, or, when another process has held the
    // card for the lock wait, without it (the holder is not robbed of its command for a look).
    // False for a card whose file was lost.
    bool snapshot(ch367sim_card_state& copy);

    // Nothing under way: no transaction open, every chip select released, and the pattern
    // generator between commands.
    bool idle() const { return bridge.bus_idle() && pattern_generator.between_commands(); }

    // Runs `work` on the card as a part of a whole command: one thread of the process at a time
    // (see ThreadGate), and on a shared card under the card file's lock. Both are taken unless
    // held already, and kept after `work` until the card is idle again, so that a command runs
    // whole: its frames, and the chip select released after the gate closes. Taking the lock
    // over from a process that died or stalled ends what that process left under way. On a card
    // whose file was lost, `work` fails: it is not run, or its result is dropped.
    template <class Work>
    auto locked(Work&& work, bool observer = false) {
        return threads_.pass(
            [&] {
                let_go_ = false;
                return storage.file() == nullptr ? work() : under_file_lock(work, observer);
            },
            [this] { return let_go_ || idle(); });
    }

    // Ends what was left under way on the card by a process that is gone or stalled, or by a
    // card file put on it: closes an open transaction, releases every chip select, ends a command.
    void abandon_unfinished();

private:
    template <class Work>
    auto under_file_lock(Work& work, bool observer) {
        CardFile* file = storage.file();
        // One load of the lock word per access within a command: a holder that stalled may have
        // lost the card while it made no access.
        if (holding_ && !file->still_held()) [[unlikely]] lock_taken_away();
        if (!holding_) {
            if (file->lost()) [[unlikely]] return lose_card<decltype(work())>();
            if (!take(observer)) [[unlikely]] {
                let_go_ = true;
                return work();
            }
        }
        return after_access(work());
    }
    // After an access under the lock: the card let go of when idle, the command's start said
    // when it goes on.
    template <class Result>
    Result after_access(Result result) {
        CardFile* file = storage.file();
        if (file->lost()) [[unlikely]] return lose_card<Result>();
        if (!holding_) {
            // let go of within the access
        } else if (idle()) {
            release();
        } else if (!command_stamped_) {
            file->command_started();
            command_stamped_ = true;
        }
        return result;
    }
    // An access to a shared card made by the process's sole thread, under the file's lock. Inline,
    // with no closure beyond `work`, as every access of a one-thread process comes this way; an
    // access within a command under way (most of them) only checks that the lock is still this
    // process's, as a holder has nothing to let go of while it holds the card.
    template <class Work>
    bool sole_thread_shared_access(Work&& work) {
        if (command_stamped_ && storage.file()->still_held()) [[likely]] return after_access(work());
        let_go_ = false;
        return under_file_lock(work, false);
    }
    // The card file stopped backing the card: the card is gone for this process.
    template <class Result>
    Result lose_card() {
        holding_ = false;
        command_stamped_ = false;
        let_go_ = true;
        storage.report_loss();
        return Result{};
    }
    [[gnu::noinline]] bool read_in_turn(std::uint64_t address, std::uint8_t* value);
    [[gnu::noinline]] bool write_in_turn(std::uint64_t address, std::uint8_t value);
    bool write_counted(std::uint64_t address, std::uint8_t value);
    [[gnu::noinline]] void lock_taken_away();
    bool take(bool observer);
    void release();

    ThreadGate threads_;
    bool holding_ = false;          // this process holds the card file's lock
    // This process holds the lock for a command and has said when it began (never without
    // holding_).
    bool command_stamped_ = false;
    bool let_go_ = false;           // the last access let go of the card before it was idle
};

// The one simulated card of the process, built with its devices attached on first use. It is
// never destroyed, so host calls and the output files' exit hook find it valid at any point of
// the process's exit.
extern std::atomic<Card*> built_card;
Card& build_card();
// Inline, as every access starts here.
inline Card& card() {
    Card* built = built_card.load(std::memory_order_acquire);
    return built != nullptr ? *built : build_card();
}

}  // namespace ch367sim
