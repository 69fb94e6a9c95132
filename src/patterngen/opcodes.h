// The pattern generator's one-byte opcodes, each an ASCII character.
#pragma once

#include <cstdint>

namespace quorvel::patterngen {

enum class Opcode : std::uint8_t {
    ReadMaxDataLines = 0x2C,  // ','  -> read 4
    ClearOutMemory = 0x5A,    // 'Z'
    Arm = 0x61,               // 'a'
    ReadCtrlMemory = 0x63,    // 'c'  start, words -> read 4 x words
    WriteOutMemory = 0x65,    // 'e'  start, words -> write 4 x words
    ReadProgramCounter = 0x67,  // 'g' -> read 4
    Halt = 0x68,              // 'h'
    ResetDds = 0x69,          // 'i'
    Step = 0x6A,              // 'j'  step size
    WriteCurrentIO = 0x6D,    // 'm'  value (sent after a pause)
    ReadCurrentIO = 0x6E,     // 'n' -> read 4
    Pause = 0x70,             // 'p'
    ReadOutMemory = 0x71,     // 'q'  start, words -> read 4 x words
    Trigger = 0x72,           // 'r'
    ReadStatusRegister = 0x73,  // 's' -> read 2
    SetupTriggerMode = 0x74,  // 't'  mode1, mode2 (bytes)
    WriteCtrlMemory = 0x77,   // 'w'  start, words -> write 4 x words
    WriteProgramCounter = 0x78,  // 'x' value
    ClearCtrlMemory = 0x7A,   // 'z'
};

}  // namespace quorvel::patterngen
