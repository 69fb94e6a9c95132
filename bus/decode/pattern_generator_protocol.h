// The pattern generator's command protocol: what follows each one-byte opcode. The device model
// frames commands with it, and the simulator's outputs name them with it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ch367bus {

struct PatternGeneratorCommand {
    enum class Data : std::uint8_t { None, Read, Write };
    std::uint8_t opcode;          // an ASCII character
    std::uint8_t argument_count;  // argument frames after the opcode frame
    std::uint8_t argument_width;  // bytes per argument frame (little-endian values)
    Data data;                    // the data frame that follows the arguments, if any
    std::uint8_t register_bytes;  // data length of a register read; 0 = 4 x the word count
    bool signed_arguments;        // arguments are signed 32-bit values
    std::array<const char*, 2> argument_names;
    const char* sent_by;          // the card library's export that sends the command
};

// Bytes per memory word; a memory transfer's data frame is 4 x its word count (argument 1).
inline constexpr std::uint8_t kPatternGeneratorWordBytes = 4;

// The command of `opcode`, or nullptr for a byte that is no opcode.
const PatternGeneratorCommand* find_pattern_generator_command(std::uint8_t opcode);

// Bytes of the data frame that follows the command's arguments: 0 when it has none, the
// register's size for a register read, 4 x `words` (argument 1) for a memory transfer. A
// transfer of 0 words announces no data frame.
std::uint64_t data_frame_length(const PatternGeneratorCommand& command, std::uint32_t words);

// The value of an argument or register frame: `count` bytes (at most 4), least significant first.
std::uint32_t little_endian_value(const std::uint8_t* bytes, std::size_t count);

}  // namespace ch367bus
