// Files dio and the simulator write: a write that fails half-way (a full disk, here a file size
// limit) leaves the file that was there before whole, and no temporary file beside it.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "failure.h"
#include "files.h"
#include "png_files.h"
#include "temp_path.h"

namespace {

// Lets no file grow past `bytes` while it lives; writes past that fail (EFBIG) as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

std::string content_of(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

TEST(FileWritingTest, AFailedWriteLeavesTheEarlierFileWhole) {
    const std::string large(64 * 1024, 'x');
    // Random-looking pixels keep the compressed picture larger than the limit.
    std::vector<std::uint8_t> noise(256 * 64 * 4);
    std::mt19937 random(7);
    for (std::uint8_t& byte : noise) byte = static_cast<std::uint8_t>(random());
    const struct {
        const char* name;
        std::function<bool(const std::string&)> write;  // false when the write failed
    } writers[] = {
        {"dio", [&](const std::string& path) {
             try {
                 dio::write_file(path, large);
                 return true;
             } catch (const dio::Failure&) {
                 return false;
             }
         }},
        {"png", [&](const std::string& path) {
             return pngfiles::write_png(path.c_str(), 256, 64, 4, noise.data());
         }},
    };
    for (const auto& writer : writers) {
        const std::string path = unique_temp_path(std::string("earlier-") + writer.name);
        dio::write_file(path, std::string("the earlier file"));
        {
            const FileSizeLimit limit(4096);
            EXPECT_FALSE(writer.write(path)) << writer.name;
        }
        EXPECT_EQ(content_of(path), "the earlier file") << writer.name;
        EXPECT_FALSE(std::filesystem::exists(path + ".ch367sim-partial")) << writer.name;
        EXPECT_TRUE(writer.write(path)) << writer.name;
        EXPECT_GT(std::filesystem::file_size(path), 4096u) << writer.name;
        std::filesystem::remove(path);
    }
}

}  // namespace
