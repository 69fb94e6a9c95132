#include "pattern_generator_protocol.h"

#include <algorithm>
#include <iterator>

namespace ch367bus {

namespace {

using Data = PatternGeneratorCommand::Data;

constexpr PatternGeneratorCommand kCommands[] = {
    {',', 0, 0, Data::Read, 4, false, {}, "DioReadMaxDataLines"},
    {'Z', 0, 0, Data::None, 0, false, {}, "DioClearOutMemory"},
    {'a', 0, 0, Data::None, 0, false, {}, "DioArm"},
    {'c', 2, 4, Data::Read, 0, false, {"start", "words"}, "DioReadCtrlMemory"},
    {'e', 2, 4, Data::Write, 0, false, {"start", "words"}, "DioWriteOutMemory"},
    {'g', 0, 0, Data::Read, 4, false, {}, "DioReadProgramCounter"},
    {'h', 0, 0, Data::None, 0, false, {}, "DioHalt/DioReset"},
    {'i', 0, 0, Data::None, 0, false, {}, "DioResetDDS"},
    {'j', 1, 4, Data::None, 0, true, {"step"}, "DioStep"},
    {'m', 1, 4, Data::None, 0, false, {"value"}, "DioWriteCurrentIO"},
    {'n', 0, 0, Data::Read, 4, false, {}, "DioReadCurrentIO"},
    {'p', 0, 0, Data::None, 0, false, {}, "DioPause"},
    {'q', 2, 4, Data::Read, 0, false, {"start", "words"}, "DioReadOutMemory"},
    {'r', 0, 0, Data::None, 0, false, {}, "DioTrig"},
    {'s', 0, 0, Data::Read, 2, false, {}, "DioReadStatusRegister"},
    {'t', 2, 1, Data::None, 0, false, {"mode1", "mode2"}, "DioSetupTriggerMode"},
    {'w', 2, 4, Data::Write, 0, false, {"start", "words"}, "DioWriteCtrlMemory"},
    {'x', 1, 4, Data::None, 0, false, {"value"}, "DioWriteProgramCounter"},
    {'z', 0, 0, Data::None, 0, false, {}, "DioClearCtrlMemory"},
};

}  // namespace

const PatternGeneratorCommand* find_pattern_generator_command(std::uint8_t opcode) {
    const auto* found =
        std::find_if(std::begin(kCommands), std::end(kCommands),
                     [opcode](const PatternGeneratorCommand& c) { return c.opcode == opcode; });
    return found == std::end(kCommands) ? nullptr : found;
}

std::uint64_t data_frame_length(const PatternGeneratorCommand& command, std::uint32_t words) {
    if (command.data == Data::None) return 0;
    if (command.register_bytes != 0) return command.register_bytes;
    return std::uint64_t{kPatternGeneratorWordBytes} * words;
}

std::uint32_t little_endian_value(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value |= std::uint32_t{bytes[i]} << (8 * i);
    return value;
}

}  // namespace ch367bus
