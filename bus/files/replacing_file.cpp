#include "replacing_file.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace outputfiles {

namespace {

// Only regular files (or names not taken yet) are replaced; a rename over a device or a FIFO
// would put a plain file in its place.
bool replaceable(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return !std::filesystem::exists(status) || std::filesystem::is_regular_file(status);
}

}  // namespace

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)) {
    if (replaceable(path_)) temporary_ = path_ + ".ch367sim-partial";
    stream_ = std::fopen((temporary_.empty() ? path_ : temporary_).c_str(), "wb");
}

ReplacingFile::~ReplacingFile() { abandon(); }

void ReplacingFile::write(const void* data, std::size_t size) {
    if (stream_ == nullptr) return;
    if (std::fwrite(data, 1, size, stream_) != size && error_ == 0) error_ = errno;
}

bool ReplacingFile::commit() {
    if (stream_ == nullptr) return false;
    // The first failure's errno; EIO when a failed call left none.
    int error = error_;
    const auto failed = [&error] {
        if (error == 0) error = errno != 0 ? errno : EIO;
    };
    errno = 0;
    if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0) failed();
    if (std::fclose(stream_) != 0) failed();
    stream_ = nullptr;
    if (error == 0 && !temporary_.empty()) {
        std::error_code renamed;
        std::filesystem::rename(temporary_, path_, renamed);
        if (!renamed) temporary_.clear();
        error = renamed.value();
    }
    errno = error;
    abandon();
    return error == 0;
}

void ReplacingFile::abandon() {
    const int error = errno;
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
    errno = error;
}

}  // namespace outputfiles
