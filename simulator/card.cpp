#include "card.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bridge_registers.h"
#include "card_lock.h"
#include "card_state.h"

namespace ch367sim {

namespace {
constexpr std::uint8_t kFirstExternalDevice = 2;
constexpr std::uint8_t kPatternGeneratorSelect = 0;
constexpr std::uint8_t kDisplaySelect = 1;
}  // namespace

void power_on_record(ch367sim_card_state& state) {
    init_card_header(state);
    PatternGenerator pattern_generator(&state.pattern_generator);
    DisplayModel display(&state.display);
    Bridge bridge(&state.bridge);
    bridge.attach(kPatternGeneratorSelect, &pattern_generator);
    bridge.attach(kDisplaySelect, &display);
    bridge.reset();
    state.commands_logged = 0;
    std::memset(state.commands, 0, sizeof state.commands);
}

CardStorage::CardStorage()
    : own_(std::make_unique<ch367sim_card_state>()), state_(own_.get()) {
    power_on_record(*own_);
    const char* path = std::getenv("CH367SIM_CARD");
    if (path == nullptr || *path == '\0') return;
    path_ = path;
    std::string problem;
    file_ = CardFile::open(path, *own_, problem);
    if (file_ == nullptr) {
        refused_ = true;
        refusal_ = std::string("card file ") + path + " " + problem;
        if (!host_reports_refusal) std::fprintf(stderr, "ch367sim: %s\n", refusal_.c_str());
        return;
    }
    own_.reset();
    state_ = &file_->state();
}

void CardStorage::report_loss() {
    if (loss_reported_) return;
    loss_reported_ = true;
    std::fprintf(stderr, "ch367sim: card file %s %s\n", path_.c_str(), file_->loss().c_str());
}

Card::Card()
    : bridge(&storage.state().bridge),
      pattern_generator(&storage.state().pattern_generator),
      display(&storage.state().display) {
    bridge.attach(kPatternGeneratorSelect, &pattern_generator);
    bridge.attach(kDisplaySelect, &display);
    // The run-model variables give the settings of every power-on, and those set apply to the
    // card as it is now, a shared one too.
    const RunSettingsRequest run_request = run_settings_from_environment();
    pattern_generator.power_on_settings = run_request.applied_to({});
    if (run_request.any()) {
        locked([&] {
            pattern_generator.apply(run_request.applied_to(pattern_generator.current_settings()));
            return 0;
        });
    }
    // A shared card keeps its recent commands for those who watch it.
    OutputRequest request = output_request_from_environment();
    call_trace = start_call_trace(request.trace);
    if (request.any() || storage.file() != nullptr) {
        ch367sim_card_state* shared = storage.file() != nullptr ? &storage.state() : nullptr;
        outputs = std::make_unique<OutputSet>(std::move(request), bridge.register_value(ch367bus::kLines),
                                              pattern_generator.snapshot().io_lines, shared);
        bridge.set_observer(outputs.get());
        if (outputs->records_io_lines()) pattern_generator.set_observer(outputs.get());
    }
}

void Card::reset() {
    for (std::size_t i = kFirstExternalDevice; i < Bridge::kDeviceCount; ++i) {
        bridge.attach(i, nullptr);
        external[i].reset();
    }
    locked([this] {
        ch367sim_card_state& state = storage.state();
        bridge.reset();
        state.commands_logged = 0;
        std::memset(state.commands, 0, sizeof state.commands);
        ++state.changes;
        return 0;
    });
    if (outputs) outputs->restart(bridge.register_value(ch367bus::kLines), pattern_generator.snapshot().io_lines);
}

bool Card::attach_external(std::uint8_t index, const ch367sim_device* device) {
    if (index < kFirstExternalDevice || index >= Bridge::kDeviceCount) return false;
    bridge.attach(index, nullptr);
    external[index].reset();
    if (device != nullptr) {
        external[index].emplace(*device);
        bridge.attach(index, &*external[index]);
    }
    return true;
}

bool Card::open_device() {
    if (storage.refused()) return false;
    return locked([this] { return bridge.open_device(); });
}

// A write to a shared card, counted for its watchers: only the lock's holder writes the count, a
// plain increment that readers see whole. A private card has no watchers in other processes, so
// no count to keep: the increment cost a private card about 10 % of its accesses per second.
inline bool Card::write_counted(std::uint64_t address, std::uint8_t value) {
    const bool done = bridge.write(address, value);
    std::atomic_ref<std::uint64_t> changes(storage.state().changes);
    changes.store(changes.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return done;
}

// The sole thread of a process makes its access inline; with several threads it goes the way
// of a whole command through the thread gate, out of line so that this path stays short.
bool Card::read(std::uint64_t address, std::uint8_t* value) {
    if (threads_.sole_thread_enters()) [[likely]] {
        const bool done = storage.file() == nullptr
                              ? bridge.read(address, value)
                              : sole_thread_shared_access([&] { return bridge.read(address, value); });
        threads_.sole_thread_leaves();
        return done;
    }
    return read_in_turn(address, value);
}

bool Card::write(std::uint64_t address, std::uint8_t value) {
    if (threads_.sole_thread_enters()) [[likely]] {
        const bool done = storage.file() == nullptr
                              ? bridge.write(address, value)
                              : sole_thread_shared_access([&] { return write_counted(address, value); });
        threads_.sole_thread_leaves();
        return done;
    }
    return write_in_turn(address, value);
}

bool Card::read_in_turn(std::uint64_t address, std::uint8_t* value) {
    return locked([&] { return bridge.read(address, value); });
}

bool Card::write_in_turn(std::uint64_t address, std::uint8_t value) {
    return locked([&] {
        return storage.file() == nullptr ? bridge.write(address, value) : write_counted(address, value);
    });
}

void Card::close_device() {
    locked([this] {
        bridge.close_device();
        if (holding_) release();
        let_go_ = true;
        return 0;
    });
}

bool Card::snapshot(ch367sim_card_state& copy) {
    return locked(
        [&] {
            // Without the lock (another process held the card for the lock wait) the run is
            // copied as it stands: bringing it up to date would write under the holder.
            if (storage.file() == nullptr || holding_) pattern_generator.bring_up_to_date();
            std::memcpy(&copy, &storage.state(), sizeof copy);
            return true;
        },
        true);
}

bool Card::take(bool observer) {
    switch (storage.file()->lock(observer)) {
    case CardFile::Taken::not_taken:
        return false;
    case CardFile::Taken::from_gone:
    case CardFile::Taken::from_stalled:
        abandon_unfinished();
        break;
    case CardFile::Taken::free:
        break;
    }
    holding_ = true;
    command_stamped_ = false;
    return true;
}

// The holder that took the card from this process has ended the command this process was in.
// The lock word no longer names this process. When a waiter took the card from it as stalled,
// that waiter has ended the command this process was in, and this process says so; a lock word
// written over by a copy of the file put on it in place is simply taken again.
void Card::lock_taken_away() {
    const std::uint32_t taker = storage.file()->taken_by();
    if (taker != 0) say_card_lost(taker);
    holding_ = false;
    command_stamped_ = false;
}

void Card::abandon_unfinished() {
    bridge.abandon_transaction();
    pattern_generator.abandon_command();
}

void Card::release() {
    holding_ = false;
    command_stamped_ = false;
    storage.file()->unlock();
}

std::atomic<Card*> built_card{nullptr};

Card& build_card() {
    static Card& instance = *new Card;
    built_card.store(&instance, std::memory_order_release);
    return instance;
}

}  // namespace ch367sim
