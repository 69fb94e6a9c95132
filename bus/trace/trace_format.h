// The layout of a bus recording, shared by the recorder that writes it and the reader. Every
// field is little-endian; docs/recorder.md describes the layout for readers in other languages.
//
//   file header   kFileHeaderSize bytes, then the driver's path (UTF-8, no terminator)
//   chunk         kChunkHeaderSize bytes, then `count` call records of kRecordSize bytes
//   chunk ...
//
// A chunk is written whole or not at all as far as a reader can tell: its checksum covers its
// calibration point, its flags and its records, so a chunk cut by the end of the file, or
// damaged, ends the readable part of the recording. The chunks written as the process ends carry
// kFinalChunk, so a recording that stops at a chunk boundary without it is known to be cut too.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ch367bus {

inline constexpr char kFileMagic[8] = {'C', 'H', '3', '6', '7', 'R', 'E', 'C'};
inline constexpr std::uint16_t kFormatVersion = 1;
inline constexpr char kChunkMagic[4] = {'C', 'A', 'L', 'L'};

// The bridge functions as the records number them.
enum class Function : std::uint8_t {
    open_device = 1,     // CH367OpenDevice
    get_io_base = 2,     // CH367GetIoBaseAddr
    read_io_byte = 3,    // CH367ReadIoByte
    write_io_byte = 4,   // CH367WriteIoByte
    close_device = 5,    // CH367CloseDevice
};
inline constexpr int kFunctionCount = 5;
const char* function_name(Function function);  // "CH367ReadIoByte", or "?" outside the range

// Record flags.
inline constexpr std::uint8_t kNullPointer = 0x01;  // the call's pointer argument was null

// File header fields (byte offsets).
inline constexpr std::size_t kFileHeaderSize = 48;
namespace file_header {
inline constexpr std::size_t magic = 0;          // 8 bytes, kFileMagic
inline constexpr std::size_t version = 8;        // u16
inline constexpr std::size_t header_size = 10;   // u16, kFileHeaderSize
inline constexpr std::size_t record_size = 12;   // u16, kRecordSize
inline constexpr std::size_t path_size = 14;     // u16, bytes of the driver's path
inline constexpr std::size_t origin_ticks = 16;  // u64, time source at the first call
inline constexpr std::size_t origin_ns = 24;     // u64, monotonic clock at the same moment
inline constexpr std::size_t process_id = 32;    // u32
inline constexpr std::size_t reserved = 36;      // u32, 0
inline constexpr std::size_t reserved2 = 40;     // u32, 0
inline constexpr std::size_t checksum = 44;      // u32, CRC-32 of bytes 0..43 and the path
}  // namespace file_header

// Chunk header fields (byte offsets).
inline constexpr std::size_t kChunkHeaderSize = 40;
namespace chunk_header {
inline constexpr std::size_t magic = 0;         // 4 bytes, kChunkMagic
inline constexpr std::size_t count = 4;         // u32, records in the chunk
inline constexpr std::size_t length = 8;        // u32, bytes of records: count x kRecordSize
inline constexpr std::size_t checksum = 12;     // u32, CRC-32 of bytes 16..39 and the records
inline constexpr std::size_t end_ticks = 16;    // u64, time source when the chunk was closed
inline constexpr std::size_t end_ns = 24;       // u64, monotonic clock at the same moment
inline constexpr std::size_t flags = 32;        // u32, kFinalChunk
inline constexpr std::size_t reserved = 36;     // u32, 0
}  // namespace chunk_header
// Written as the process ended: a recording whose last chunk lacks it was cut short.
inline constexpr std::uint32_t kFinalChunk = 0x01;

// One call (byte offsets within a record).
inline constexpr std::size_t kRecordSize = 32;
namespace record {
inline constexpr std::size_t ticks = 0;      // u64, time source when the call began
inline constexpr std::size_t address = 8;    // u64, see below
inline constexpr std::size_t result = 16;    // i64, see below
inline constexpr std::size_t function = 24;  // u8, Function
inline constexpr std::size_t value = 25;     // u8, see below
inline constexpr std::size_t flags = 26;     // u8, kNullPointer
inline constexpr std::size_t reserved = 27;  // u8, 0
inline constexpr std::size_t argument = 28;  // i32, see below
}  // namespace record
// What address, result, value and argument hold, by function:
//   open_device    address: index (first argument); argument: exclusive; value: interrupt;
//                  result: the handle returned (-1: failure)
//   get_io_base    address: the base the driver stored; result: its 32-bit result
//   read_io_byte   address: the I/O address; value: the byte the driver stored; result
//   write_io_byte  address: the I/O address; value: the byte written; result
//   close_device   all 0

// The checksums as the layout defines them: a file header's (`header`, then the driver's path)
// and a chunk's (`header`, then its records).
std::uint32_t file_header_checksum(const unsigned char* header, const void* driver_path,
                                   std::size_t path_size);
std::uint32_t chunk_checksum(const unsigned char* header, const void* records, std::size_t length);

// Reading and writing fields little-endian.
inline void put_le(unsigned char* out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}
inline std::uint64_t get_le(const unsigned char* in, std::size_t bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) value |= std::uint64_t{in[i]} << (8 * i);
    return value;
}

}  // namespace ch367bus
