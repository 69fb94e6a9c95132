// Opening a file that a bitmap is read from. Paths come from users, so the open must neither
// wait nor take anything but a plain file: a FIFO without a writer would block an ordinary open
// for ever, and a device or a directory has no size to read.
#pragma once

#include <cstdint>
#include <cstdio>

namespace quorvel::display {

struct RegularFile {
    std::FILE* stream = nullptr;  // open for binary reading at the start; null when refused
    std::int64_t size = 0;        // in bytes, 64-bit whatever the platform's long
};

// Opens `path` without waiting on it and keeps it only when it names a regular file. Anything
// else (a missing file, a FIFO, a device, a directory) gives a null stream.
RegularFile open_regular_file(const char* path);

}  // namespace quorvel::display
