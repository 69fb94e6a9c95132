// Pattern generator exports (device 0) against their minimal loops: every command is an opcode
// frame, one frame per argument and at most one data frame.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "bus_case.h"
#include "cases.h"

namespace bench {

namespace {

using minimal::Bus;

constexpr std::uint8_t kPatternGenerator = 0;

std::array<std::uint8_t, 4> little_endian(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// Opcode and argument frames, each its own transaction.
void frames(Bus& bus, std::uint8_t opcode, std::initializer_list<std::uint32_t> words = {}) {
    minimal::transaction(bus, kPatternGenerator, &opcode, nullptr, 1);
    for (const std::uint32_t word : words) {
        const auto bytes = little_endian(word);
        minimal::transaction(bus, kPatternGenerator, bytes.data(), nullptr, bytes.size());
    }
}

// A buffer of `words` memory words, shared by an export and its minimal loop.
std::shared_ptr<std::vector<std::uint8_t>> words_buffer(std::uint32_t words) {
    auto buffer = std::make_shared<std::vector<std::uint8_t>>(4 * std::size_t{words});
    for (std::size_t i = 0; i < buffer->size(); ++i) (*buffer)[i] = static_cast<std::uint8_t>(i * 7);
    return buffer;
}

enum class Direction { Write, Read };

// A control-memory transfer of `words` words: "w" sends the buffer, "c" receives into it.
void memory_case(Direction direction, std::uint32_t words, const char* name) {
    auto buffer = words_buffer(words);
    const bool read = direction == Direction::Read;
    register_bus_case({name,
                       [buffer, words, read] {
                           std::int16_t status = 0;
                           if (read) {
                               DioReadCtrlMemory(bench_card(), buffer->data(), 0, words, &status);
                           } else {
                               DioWriteCtrlMemory(bench_card(), buffer->data(), 0, words, &status);
                           }
                       },
                       [buffer, words, read](Bus& bus) {
                           frames(bus, read ? 'c' : 'w', {0, words});
                           minimal::transaction(bus, kPatternGenerator, read ? nullptr : buffer->data(),
                                                read ? buffer->data() : nullptr, buffer->size());
                       }});
}

}  // namespace

void register_pattern_generator_cases() {
    register_bus_case({"DioArm", [] { DioArm(bench_card()); }, [](Bus& bus) { frames(bus, 'a'); }});
    register_bus_case({"DioStep",
                       [] {
                           std::int16_t status = 0;
                           DioStep(bench_card(), 300, &status);
                       },
                       [](Bus& bus) { frames(bus, 'j', {300}); }});
    register_bus_case({"DioSetupTriggerMode", [] { DioSetupTriggerMode(bench_card(), 1, 2); },
                       [](Bus& bus) {
                           const std::uint8_t bytes[] = {'t', 1, 2};
                           for (const std::uint8_t& b : bytes) {
                               minimal::transaction(bus, kPatternGenerator, &b, nullptr, 1);
                           }
                       }});
    register_bus_case({"DioWriteCurrentIO", [] { DioWriteCurrentIO(bench_card(), 5); },
                       [](Bus& bus) {
                           frames(bus, 'p');
                           frames(bus, 'm', {5});
                       }});
    register_bus_case({"DioWriteProgramCounter", [] { DioWriteProgramCounter(bench_card(), 300); },
                       [](Bus& bus) { frames(bus, 'x', {300}); }});
    register_bus_case({"DioReadProgramCounter",
                       [] {
                           std::uint8_t value[4];
                           std::int16_t status = 0;
                           DioReadProgramCounter(bench_card(), value, &status);
                       },
                       [](Bus& bus) {
                           std::uint8_t value[4];
                           frames(bus, 'g');
                           minimal::transaction(bus, kPatternGenerator, nullptr, value, 4);
                       }});
    memory_case(Direction::Write, 1, "DioWriteCtrlMemory/words:1");
    memory_case(Direction::Write, 16 * 1024, "DioWriteCtrlMemory/words:16Ki");
    memory_case(Direction::Read, 1, "DioReadCtrlMemory/words:1");
    memory_case(Direction::Read, 4 * 1024, "DioReadCtrlMemory/words:4Ki");
}

}  // namespace bench
