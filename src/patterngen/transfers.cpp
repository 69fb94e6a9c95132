// Memory and register transfers of the pattern generator.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "patterngen/command.h"

using namespace quorvel::patterngen;
using quorvel::link::set_status;
using quorvel::link::usable;

namespace {

constexpr std::uint64_t kBytesPerWord = 4;
constexpr std::uint64_t kRegisterBytes = 4;
constexpr std::uint64_t kStatusRegisterBytes = 2;

// Exactly the bytes the word count sent to the device announces, without 32-bit overflow.
std::uint64_t data_length(uint32_t words) { return kBytesPerWord * words; }

// A read's byte count as a status: capped so that a success never looks like a failure.
int16_t byte_count_status(std::uint64_t bytes) {
    return static_cast<int16_t>(
        std::min<std::uint64_t>(bytes, std::numeric_limits<int16_t>::max()));
}

void read_memory(DioMasterHandle* handle, Opcode opcode, void* buffer, uint32_t start,
                 uint32_t words, int16_t* status) {
    if (!usable(handle)) return;
    if (words == 0) {
        set_status(status, DIO_ERR_READ_ZERO_WORDS);
        return;
    }
    const std::uint64_t length = data_length(words);
    const bool completed =
        send_command(*handle, opcode, {Argument::word(start), Argument::word(words)},
                     DataPhase{.in = static_cast<std::uint8_t*>(buffer), .count = length});
    set_status(status, completed ? byte_count_status(length) : int16_t{DIO_ERR_READ_SPI});
}

void write_memory(DioMasterHandle* handle, Opcode opcode, const void* buffer, uint32_t start,
                  uint32_t words, int16_t* status) {
    if (!usable(handle)) return;
    if (words == 0) {
        set_status(status, DIO_ERR_WRITE_ZERO_WORDS);
        return;
    }
    send_command(*handle, opcode, {Argument::word(start), Argument::word(words)},
                 DataPhase{.out = static_cast<const std::uint8_t*>(buffer), .count = data_length(words)});
}

uint8_t read_device_register(DioMasterHandle* handle, Opcode opcode, void* buffer,
                             std::uint64_t size, int16_t* status) {
    if (!usable(handle)) return 0;
    const bool completed =
        send_command(*handle, opcode, {},
                     DataPhase{.in = static_cast<std::uint8_t*>(buffer), .count = size});
    set_status(status, completed ? byte_count_status(size) : int16_t{DIO_ERR_READ_SPI});
    return completed ? 1 : 0;
}

}  // namespace

extern "C" {

QUORVEL_API void DioReadCtrlMemory(DioMasterHandle* handle, void* buffer, uint32_t start,
                                   uint32_t words, int16_t* status) {
    read_memory(handle, Opcode::ReadCtrlMemory, buffer, start, words, status);
}

QUORVEL_API void DioReadOutMemory(DioMasterHandle* handle, void* buffer, uint32_t start,
                                  uint32_t words, int16_t* status) {
    read_memory(handle, Opcode::ReadOutMemory, buffer, start, words, status);
}

QUORVEL_API void DioWriteCtrlMemory(DioMasterHandle* handle, const void* buffer, uint32_t start,
                                    uint32_t words, int16_t* status) {
    write_memory(handle, Opcode::WriteCtrlMemory, buffer, start, words, status);
}

QUORVEL_API void DioWriteOutMemory(DioMasterHandle* handle, const void* buffer, uint32_t start,
                                   uint32_t words, int16_t* status) {
    write_memory(handle, Opcode::WriteOutMemory, buffer, start, words, status);
}

QUORVEL_API uint8_t DioReadProgramCounter(DioMasterHandle* handle, void* buffer4, int16_t* status) {
    return read_device_register(handle, Opcode::ReadProgramCounter, buffer4, kRegisterBytes, status);
}

QUORVEL_API uint8_t DioReadCurrentIO(DioMasterHandle* handle, void* buffer4, int16_t* status) {
    return read_device_register(handle, Opcode::ReadCurrentIO, buffer4, kRegisterBytes, status);
}

QUORVEL_API uint8_t DioReadMaxDataLines(DioMasterHandle* handle, void* buffer4, int16_t* status) {
    return read_device_register(handle, Opcode::ReadMaxDataLines, buffer4, kRegisterBytes, status);
}

QUORVEL_API uint8_t DioReadStatusRegister(DioMasterHandle* handle, void* buffer2, int16_t* status) {
    return read_device_register(handle, Opcode::ReadStatusRegister, buffer2, kStatusRegisterBytes,
                                status);
}

QUORVEL_API uint8_t DioWriteProgramCounter(DioMasterHandle* handle, uint32_t value) {
    if (!usable(handle)) return 0;
    return send_command(*handle, Opcode::WriteProgramCounter, {Argument::word(value)}) ? 1 : 0;
}

QUORVEL_API uint8_t DioWriteCurrentIO(DioMasterHandle* handle, uint32_t value) {
    if (!usable(handle)) return 0;
    // The device takes a new I/O state only while paused: a complete pause command comes first.
    send_command(*handle, Opcode::Pause);
    return send_command(*handle, Opcode::WriteCurrentIO, {Argument::word(value)}) ? 1 : 0;
}

}  // extern "C"
