#include "trace_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "crc32.h"

namespace ch367bus {

TraceWriter::TraceWriter() : records_(new unsigned char[kRecordsPerChunk * kRecordSize]) {}

TraceWriter::~TraceWriter() {
    if (file_ != nullptr) std::fclose(file_);
}

bool TraceWriter::open(const std::string& path, std::string_view driver_path, ClockPoint origin,
                       std::uint32_t process_id, std::string& error) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    const std::size_t path_size = std::min<std::size_t>(driver_path.size(), 0xFFFF);
    unsigned char header[kFileHeaderSize] = {};
    std::memcpy(header + file_header::magic, kFileMagic, sizeof kFileMagic);
    put_le(header + file_header::version, kFormatVersion, 2);
    put_le(header + file_header::header_size, kFileHeaderSize, 2);
    put_le(header + file_header::record_size, kRecordSize, 2);
    put_le(header + file_header::path_size, path_size, 2);
    put_le(header + file_header::origin_ticks, origin.ticks, 8);
    put_le(header + file_header::origin_ns, origin.ns, 8);
    put_le(header + file_header::process_id, process_id, 4);
    std::uint32_t crc = crc32(0, header, file_header::checksum);
    crc = crc32(crc, driver_path.data(), path_size);
    put_le(header + file_header::checksum, crc, 4);
    return write(header, sizeof header, error) && write(driver_path.data(), path_size, error) &&
           write(nullptr, 0, error);
}

bool TraceWriter::flush(ClockPoint end, bool final, std::string& error) {
    if (file_ == nullptr) return false;
    if (count_ == 0 && !final) return true;
    const std::size_t length = count_ * kRecordSize;
    unsigned char header[kChunkHeaderSize] = {};
    std::memcpy(header + chunk_header::magic, kChunkMagic, sizeof kChunkMagic);
    put_le(header + chunk_header::count, count_, 4);
    put_le(header + chunk_header::length, length, 4);
    put_le(header + chunk_header::end_ticks, end.ticks, 8);
    put_le(header + chunk_header::end_ns, end.ns, 8);
    put_le(header + chunk_header::flags, final ? kFinalChunk : 0, 4);
    std::uint32_t crc = crc32(0, header + chunk_header::end_ticks,
                              kChunkHeaderSize - chunk_header::end_ticks);
    crc = crc32(crc, records_.get(), length);
    put_le(header + chunk_header::checksum, crc, 4);
    count_ = 0;
    return write(header, sizeof header, error) && write(records_.get(), length, error) &&
           write(nullptr, 0, error);
}

// Writes the bytes and hands them to the operating system (`data` null: only the latter).
bool TraceWriter::write(const void* data, std::size_t size, std::string& error) {
    const bool written = data == nullptr ? std::fflush(file_) == 0
                                         : std::fwrite(data, 1, size, file_) == size;
    if (written) return true;
    error = std::strerror(errno != 0 ? errno : EIO);
    std::fclose(file_);
    file_ = nullptr;
    return false;
}

}  // namespace ch367bus
