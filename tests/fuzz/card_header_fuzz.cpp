// libFuzzer target: any bytes as the start of a card file. The first 8 bytes are the file's size
// (little-endian), the rest its first bytes. The header check must never read past what it was
// given, and a header it accepts must be one this simulator writes: its magic, version, header
// size and a record size equal to the file's.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "card_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(std::uint64_t)) return 0;
    std::uint64_t file_size = 0;
    for (std::size_t i = sizeof file_size; i-- > 0;) file_size = (file_size << 8) | data[i];
    const std::uint8_t* header = data + sizeof file_size;
    const std::size_t count = size - sizeof file_size;

    if (!ch367sim::card_file_problem(header, count, file_size).empty()) return 0;
    // The header a new card file starts with (the record is half a megabyte: made once).
    static const ch367sim_card_state* const written = [] {
        auto* state = new ch367sim_card_state{};
        ch367sim::init_card_header(*state);
        return state;
    }();
    const bool same_header = count >= ch367sim::kCardHeaderBytes &&
                             std::memcmp(header, written, offsetof(ch367sim_card_state, changes)) == 0;
    if (!same_header || file_size != sizeof(ch367sim_card_state)) std::abort();
    return 0;
}
