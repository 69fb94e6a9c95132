#include "card_copy.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "card_state.h"
#include "display_model.h"
#include "pattern_generator.h"
#include "replacing_file.h"

namespace ch367sim {

namespace {

constexpr std::size_t kRecordBytes = sizeof(ch367sim_card_state);

std::string failed(const char* what, const std::string& path, int error) {
    return std::string(what) + " " + path + ": " + std::strerror(error);
}

constexpr const char* kGone = "the card file was lost while in use";

// The whole of `path` when it is a card file of this layout.
std::unique_ptr<ch367sim_card_state> read_card_file(const std::string& path, std::string& problem) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) {
        problem = failed("cannot read", path, error.value());
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(status)) {
        problem = path + " is not a regular file";
        return nullptr;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        problem = failed("cannot read", path, errno);
        return nullptr;
    }
    auto state = std::make_unique<ch367sim_card_state>();
    auto* bytes = reinterpret_cast<std::uint8_t*>(state.get());
    const std::size_t count = std::fread(bytes, 1, kRecordBytes, file);
    const bool longer = std::fgetc(file) != EOF;
    const bool read_failed = std::ferror(file) != 0;
    const int read_error = errno;
    std::fclose(file);
    if (read_failed) {
        problem = failed("cannot read", path, read_error);
        return nullptr;
    }
    const std::string wrong = card_file_problem(bytes, count, count + (longer ? 1 : 0));
    if (!wrong.empty()) {
        problem = "card file " + path + " " + wrong;
        return nullptr;
    }
    return state;
}

}  // namespace

bool save_card(Card& card, const std::string& path, std::string& problem) {
    const CardFile* live = card.storage.file();
    std::error_code error;
    if (live != nullptr && std::filesystem::equivalent(path, card.storage.path(), error)) {
        problem = path + " is the card file itself";
        return false;
    }
    auto copy = std::make_unique<ch367sim_card_state>();
    const bool taken = card.locked([&] {
        std::memcpy(copy.get(), &card.storage.state(), kRecordBytes);
        return true;
    });
    if (!taken) {
        problem = kGone;
        return false;
    }
    std::memset(copy->lock, 0, sizeof copy->lock);
    outputfiles::ReplacingFile file(path);
    file.write(copy.get(), kRecordBytes);
    if (!file.commit()) {
        problem = failed("cannot write", path, errno);
        return false;
    }
    return true;
}

bool restore_card(Card& card, const std::string& path, std::string& problem) {
    const auto saved = read_card_file(path, problem);
    if (saved == nullptr) return false;
    const bool restored = card.locked([&] {
        ch367sim_card_state& live = card.storage.state();
        std::memcpy(&live.bridge, &saved->bridge, kRecordBytes - kCardHeaderBytes);
        // The models put right what they could not have left in a record they take up from a
        // file (a command in an unknown state, a write position past the display's memory).
        [[maybe_unused]] const PatternGenerator pattern_generator(&live.pattern_generator);
        [[maybe_unused]] const DisplayModel display(&live.display);
        card.abandon_unfinished();
        std::atomic_ref<std::uint64_t> changes(live.changes);
        changes.store(changes.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        return true;
    });
    if (!restored) problem = kGone;
    return restored;
}

}  // namespace ch367sim
