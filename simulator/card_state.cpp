#include "card_state.h"

#include <cstring>

namespace ch367sim {

namespace {

constexpr std::size_t kMagicBytes = 8;
static_assert(sizeof CH367SIM_CARD_MAGIC == kMagicBytes + 1);
// The file layout docs/simulator.md tables; a change of it is a new version.
static_assert(offsetof(ch367sim_card_state, pattern_generator) == 376);
static_assert(offsetof(ch367sim_card_state, display) == 524776);
static_assert(offsetof(ch367sim_card_state, commands) == 532992);
static_assert(sizeof(ch367sim_card_state) == 541696);

std::uint64_t little_endian(const std::uint8_t* bytes, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = count; i-- > 0;) value = (value << 8) | bytes[i];
    return value;
}

}  // namespace

void init_card_header(ch367sim_card_state& state) {
    std::memcpy(state.magic, CH367SIM_CARD_MAGIC, kMagicBytes);
    state.version = CH367SIM_CARD_VERSION;
    state.header_bytes = kCardHeaderBytes;
    state.size = sizeof(ch367sim_card_state);
    state.changes = 0;
    std::memset(state.lock, 0, sizeof state.lock);
}

std::string card_file_problem(const std::uint8_t* bytes, std::size_t count, std::uint64_t file_size) {
    constexpr std::uint64_t expected = sizeof(ch367sim_card_state);
    if (count < kMagicBytes || std::memcmp(bytes, CH367SIM_CARD_MAGIC, kMagicBytes) != 0) {
        return "is not a card file";
    }
    if (count < kCardHeaderBytes || file_size < kCardHeaderBytes) {
        return "is a truncated card file (" + std::to_string(file_size) + " bytes)";
    }
    const std::uint64_t version = little_endian(bytes + offsetof(ch367sim_card_state, version), 4);
    if (version != CH367SIM_CARD_VERSION) {
        return "is a card file of version " + std::to_string(version) + "; this simulator reads version " +
               std::to_string(CH367SIM_CARD_VERSION);
    }
    const std::uint64_t header = little_endian(bytes + offsetof(ch367sim_card_state, header_bytes), 4);
    const std::uint64_t size = little_endian(bytes + offsetof(ch367sim_card_state, size), 8);
    if (header != kCardHeaderBytes || size != expected) {
        return "is a card file of another layout (record of " + std::to_string(size) + " bytes, " +
               std::to_string(expected) + " expected)";
    }
    if (file_size != expected) {
        return "has " + std::to_string(file_size) + " bytes; a card file has " + std::to_string(expected) +
               " (truncated or extended)";
    }
    return {};
}

}  // namespace ch367sim
