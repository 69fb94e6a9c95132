#include "trace_format.h"

#include "crc32.h"

namespace ch367bus {

const char* function_name(Function function) {
    switch (function) {
        case Function::open_device: return "CH367OpenDevice";
        case Function::get_io_base: return "CH367GetIoBaseAddr";
        case Function::read_io_byte: return "CH367ReadIoByte";
        case Function::write_io_byte: return "CH367WriteIoByte";
        case Function::close_device: return "CH367CloseDevice";
    }
    return "?";
}

std::uint32_t file_header_checksum(const unsigned char* header, const void* driver_path,
                                   std::size_t path_size) {
    return crc32(crc32(0, header, file_header::checksum), driver_path, path_size);
}

std::uint32_t chunk_checksum(const unsigned char* header, const void* records, std::size_t length) {
    const std::uint32_t crc =
        crc32(0, header + chunk_header::end_ticks, kChunkHeaderSize - chunk_header::end_ticks);
    return crc32(crc, records, length);
}

}  // namespace ch367bus
