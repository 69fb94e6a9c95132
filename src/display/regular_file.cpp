// The platform's calls for opening a file without waiting and asking what it is. This is the
// library's only platform-dependent file.
#include "display/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>

namespace {
// Windows has no FIFO that an open waits on; a named pipe without a server fails at once.
constexpr int kReadFlags = _O_RDONLY | _O_BINARY | _O_NOINHERIT;
using FileStatus = struct _stat64;
int open_file(const char* path) { return _open(path, kReadFlags); }
int status_of(int fd, FileStatus* status) { return _fstat64(fd, status); }
bool is_regular(const FileStatus& status) { return (status.st_mode & _S_IFMT) == _S_IFREG; }
std::FILE* stream_of(int fd) { return _fdopen(fd, "rb"); }
void close_file(int fd) { _close(fd); }
}  // namespace
#else
#include <unistd.h>

namespace {
// O_NONBLOCK: a FIFO opens at once even with no writer, and is refused below.
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
using FileStatus = struct stat;
int open_file(const char* path) { return open(path, kReadFlags); }
int status_of(int fd, FileStatus* status) { return fstat(fd, status); }
bool is_regular(const FileStatus& status) { return S_ISREG(status.st_mode); }
std::FILE* stream_of(int fd) { return fdopen(fd, "rb"); }
void close_file(int fd) { close(fd); }
}  // namespace
#endif

namespace quorvel::display {

RegularFile open_regular_file(const char* path) {
    const int fd = open_file(path);
    if (fd < 0) return {};
    FileStatus status{};
    if (status_of(fd, &status) != 0 || !is_regular(status)) {
        close_file(fd);
        return {};
    }
    std::FILE* stream = stream_of(fd);
    if (stream == nullptr) {
        close_file(fd);
        return {};
    }
    return {stream, static_cast<std::int64_t>(status.st_size)};
}

}  // namespace quorvel::display
