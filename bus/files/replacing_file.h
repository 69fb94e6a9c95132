// An output file that never shows half-written: it is written under a temporary name beside the
// final one and renamed over it only when every byte reached the disk, so a full disk or a
// failed write leaves the earlier file (or none), never a truncated one. A path that names a
// device or a FIFO (/dev/null, a pipe to another program) is written in place.
#pragma once

#include <cstdio>
#include <string>

namespace outputfiles {

class ReplacingFile {
public:
    explicit ReplacingFile(std::string path);
    // Abandons a file that was not committed: the temporary file is removed, errno kept.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // For binary writing; null when the file could not be created.
    std::FILE* stream() const { return stream_; }
    // Writes through the stream, keeping the reason of the first failure for commit().
    void write(const void* data, std::size_t size);
    // Closes the file and puts it in place. True when every write reached it; otherwise false,
    // with errno telling why, and no file of this writing is left.
    bool commit();

private:
    void abandon();

    std::string path_;
    std::string temporary_;  // empty when written in place or when nothing is left to remove
    std::FILE* stream_ = nullptr;
    int error_ = 0;  // errno of the first failed write
};

}  // namespace outputfiles
