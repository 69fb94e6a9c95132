#include "trace_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>


namespace ch367bus {

TraceWriter::TraceWriter() : records_(new unsigned char[kRecordsPerChunk * kRecordSize]) {}

bool TraceWriter::open(const std::string& path, std::string_view driver_path, ClockPoint origin,
                       std::uint32_t process_id, std::string& error) {
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
    put_le(header + file_header::checksum, file_header_checksum(header, driver_path.data(), path_size), 4);
    path_ = path;
    return write("wb", header, sizeof header, driver_path.data(), path_size, error);
}

bool TraceWriter::flush(ClockPoint end, bool final, std::string& error) {
    if (path_.empty()) return false;
    if (count_ == 0 && !final) return true;
    const std::size_t length = count_ * kRecordSize;
    unsigned char header[kChunkHeaderSize] = {};
    std::memcpy(header + chunk_header::magic, kChunkMagic, sizeof kChunkMagic);
    put_le(header + chunk_header::count, count_, 4);
    put_le(header + chunk_header::length, length, 4);
    put_le(header + chunk_header::end_ticks, end.ticks, 8);
    put_le(header + chunk_header::end_ns, end.ns, 8);
    put_le(header + chunk_header::flags, final ? kFinalChunk : 0, 4);
    put_le(header + chunk_header::checksum, chunk_checksum(header, records_.get(), length), 4);
    count_ = 0;
    return write("r+b", header, sizeof header, records_.get(), length, error);
}

// "r+b" never creates the file: a recording removed between flushes stops, rather than going on
// as a file without its header.
bool TraceWriter::write(const char* mode, const void* first, std::size_t first_size,
                        const void* second, std::size_t second_size, std::string& error) {
    errno = 0;
    std::FILE* file = std::fopen(path_.c_str(), mode);
    bool written = file != nullptr && std::fseek(file, 0, SEEK_END) == 0 &&
                   std::fwrite(first, 1, first_size, file) == first_size &&
                   std::fwrite(second, 1, second_size, file) == second_size &&
                   std::fflush(file) == 0;
    if (!written) error = std::strerror(errno != 0 ? errno : EIO);
    if (file != nullptr && std::fclose(file) != 0 && written) {
        written = false;
        error = std::strerror(errno != 0 ? errno : EIO);
    }
    if (!written) path_.clear();
    return written;
}

}  // namespace ch367bus
