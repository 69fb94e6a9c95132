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
#include "outputs/output_set.h"
#include "pattern_generator.h"

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

    Card();
    // Power-on: detaches external devices, then resets the bridge and every device model.
    void reset();
    bool attach_external(std::uint8_t index, const ch367sim_device* device);

    // The driver calls that reach the card's state; on a shared card each one holds the lock
    // (see `locked`).
    bool open_device();
    bool read(std::uint64_t address, std::uint8_t* value);
    bool write(std::uint64_t address, std::uint8_t value);
    // Closing the device lets go of the card, even in the middle of a command.
    void close_device();

    // Nothing under way: no transaction open, every chip select released, and the pattern
    // generator between commands.
    bool idle() const { return bridge.bus_idle() && pattern_generator.between_commands(); }

    // Runs `work` on the card under its lock when it is shared. The lock is taken unless this
    // process holds it already, and kept after `work` until the card is idle again, so that a
    // command runs whole: its frames, and the chip select released after the gate closes.
    // Taking the lock over from a process that died ends what that process left under way. On a
    // card whose file was lost, `work` fails: it is not run, or its result is dropped.
    template <class Work>
    auto locked(Work&& work) {
        CardFile* file = storage.file();
        if (file == nullptr) return work();
        if (!holding_) {
            if (file->lost()) [[unlikely]] return lose_card<decltype(work())>();
            if (file->lock()) abandon_unfinished();
            holding_ = true;
        }
        auto result = work();
        if (file->lost()) [[unlikely]] return lose_card<decltype(result)>();
        if (idle()) release();
        return result;
    }

    // Ends what was left under way on the card by a process that is gone, or by a card file put
    // on it: closes an open transaction, releases every chip select, ends a command.
    void abandon_unfinished();

private:
    void release();
    template <class Result>
    Result lose_card() {
        holding_ = false;
        storage.report_loss();
        return Result{};
    }

    bool holding_ = false;
};

// The one simulated card of the process, built with its devices attached on first use. It is
// never destroyed, so host calls and the output files' exit hook find it valid at any point of
// the process's exit.
Card& card();

}  // namespace ch367sim
