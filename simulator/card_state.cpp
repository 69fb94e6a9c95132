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
    const auto field = [](const char* name, std::uint64_t value, const char* unit, std::uint64_t wanted) {
        return std::string("has a ") + name + " of " + std::to_string(value) + unit + "; a card file's is " +
               std::to_string(wanted);
    };
    if (file_size == 0) return "is not a card file (it is empty)";
    if (count < kMagicBytes || std::memcmp(bytes, CH367SIM_CARD_MAGIC, kMagicBytes) != 0) {
        return "is not a card file (its magic is not " CH367SIM_CARD_MAGIC ")";
    }
    if (count < kCardHeaderBytes || file_size < kCardHeaderBytes) {
        return field("file size", file_size, " bytes", expected) + " (truncated)";
    }
    const std::uint64_t version = little_endian(bytes + offsetof(ch367sim_card_state, version), 4);
    if (version != CH367SIM_CARD_VERSION) {
        return "has a version of " + std::to_string(version) + "; this simulator reads version " +
               std::to_string(CH367SIM_CARD_VERSION);
    }
    const std::uint64_t header = little_endian(bytes + offsetof(ch367sim_card_state, header_bytes), 4);
    if (header != kCardHeaderBytes) return field("header size", header, " bytes", kCardHeaderBytes);
    const std::uint64_t size = little_endian(bytes + offsetof(ch367sim_card_state, size), 8);
    if (size != expected) return field("record size", size, " bytes", expected);
    if (file_size != expected) {
        return field("file size", file_size, " bytes", expected) +
               (file_size < expected ? " (truncated)" : " (extended)");
    }
    return {};
}

}  // namespace ch367sim
