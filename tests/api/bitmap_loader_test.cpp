// Loading and releasing bitmap files through the public API.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "QuorvelWCHDLL.h"
#include "bmp_file.h"

namespace {

#ifdef _WIN32
constexpr const char* kCharacterDevice = "NUL";
#else
constexpr const char* kCharacterDevice = "/dev/null";
#endif

struct OpenResult {
    DioBitmap* bitmap;
    std::int16_t status;
    std::string printed;
};

// DioOpenBMP with the status preset to `status`, capturing what the load prints.
OpenResult Open(const char* path, std::int16_t status = DIO_OK) {
    testing::internal::CaptureStdout();
    DioBitmap* bitmap = DioOpenBMP(nullptr, path, &status);
    return {bitmap, status, testing::internal::GetCapturedStdout()};
}

TEST(BitmapLoader, PrintsTheFileSizeAndEveryHeaderField) {
    BmpFile file(100, 2, counting_bytes(104));
    file.file_size = 0xFFFFFFFE;  // unsigned fields printed with %d show as signed
    file.reserved = 0xABCD;
    file.image_size = 104;
    file.y_pixels_per_m = -1;
    const TempFile saved("header.bmp", file.bytes());

    OpenResult result = Open(saved.path().c_str());
    ASSERT_NE(result.bitmap, nullptr);
    EXPECT_EQ(result.printed,
              "file size: 222\n"
              "FILE INFO: \n"
              "NAME: " + saved.path() + "\n"
              "signature: BM\n"
              "42 4d\n"
              "file_size: -2\n"
              "fe ff ff ff\n"
              "reserved: abcd\n"
              "data_offset: 76\n"
              "infoheader size: 40\n"
              "width: 100\n"
              "height: 2\n"
              "planes: 1\n"
              "bits_per_pixel: 4\n"
              "compression: 0\n"
              "image_size: 104\n"
              "x_pixels_per_m: 2835\n"
              "y_pixels_per_m: -1\n"
              "colors_used: 16\n"
              "important_colors: 0\n"
              "computed row size: 52\n");
    DioCloseBMP(nullptr, &result.bitmap);
}

TEST(BitmapLoader, SuccessLeavesTheStatusAlone) {
    const TempFile saved("ok.bmp", BmpFile(8, 2, counting_bytes(8)).bytes());
    OpenResult result = Open(saved.path().c_str(), DIO_ERR_IO_BASE_ADDRESS);
    ASSERT_NE(result.bitmap, nullptr);
    EXPECT_EQ(result.status, DIO_ERR_IO_BASE_ADDRESS);
    DioCloseBMP(nullptr, &result.bitmap);
}

TEST(BitmapLoader, NamesThatDoNotOpenPrintNothing) {
    const std::string missing = ::testing::TempDir() + "no-such-file.bmp";
    for (const char* path : {missing.c_str(), static_cast<const char*>(nullptr)}) {
        const OpenResult result = Open(path);
        EXPECT_EQ(result.bitmap, nullptr);
        EXPECT_EQ(result.status, DIO_ERR_INVALID_BMP);
        EXPECT_EQ(result.printed, "");
    }
    EXPECT_EQ(DioOpenBMP(nullptr, missing.c_str(), nullptr), nullptr);  // no status variable
}

struct MalformedFile {
    const char* name;
    std::function<std::vector<std::uint8_t>()> bytes;
};

// A well-formed 8 x 2 file with one change.
std::vector<std::uint8_t> Changed(const std::function<void(BmpFile&)>& change) {
    BmpFile file(8, 2, counting_bytes(8));
    change(file);
    return file.bytes();
}

TEST(BitmapLoader, MalformedFilesAreRefusedAfterTheSizeLine) {
    const MalformedFile cases[] = {
        {"empty", [] { return std::vector<std::uint8_t>{}; }},
        {"header one byte short",
         [] {
             auto bytes = BmpFile(8, 2, counting_bytes(8)).bytes();
             bytes.resize(53);
             return bytes;
         }},
        {"data offset one past the end", [] { return Changed([](BmpFile& f) { f.data_offset = 127; }); }},
        {"data offset 2^32 - 1", [] { return Changed([](BmpFile& f) { f.data_offset = UINT32_MAX; }); }},
        {"negative height (top-down file)", [] { return Changed([](BmpFile& f) { f.height = -2; }); }},
        {"most negative height", [] { return Changed([](BmpFile& f) { f.height = INT32_MIN; }); }},
        {"negative width", [] { return Changed([](BmpFile& f) { f.width = -8; }); }},
        {"row size 2^31",
         [] {
             return Changed([](BmpFile& f) {
                 f.width = 1 << 30;
                 f.bits_per_pixel = 16;
             });
         }},
        {"row size beyond 32 bits",
         [] {
             return Changed([](BmpFile& f) {
                 f.width = INT32_MAX;
                 f.bits_per_pixel = UINT16_MAX;
             });
         }},
        {"pixel area one byte short", [] { return BmpFile(8, 2, counting_bytes(7)).bytes(); }},
        // 65536 rows of 65536 bytes: the product is 0 in 32 bits.
        {"rows times row size wraps to 0", [] { return BmpFile(131072, 65536, counting_bytes(16)).bytes(); }},
        // 2^30 + 1 rows of 4 bytes: the product is 4 in 32 bits, the size of the pixel area.
        {"rows times row size wraps to the area", [] { return BmpFile(8, (1 << 30) + 1, counting_bytes(4)).bytes(); }},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> bytes = c.bytes();
        const TempFile saved("malformed.bmp", bytes);
        const OpenResult result = Open(saved.path().c_str());
        EXPECT_EQ(result.bitmap, nullptr) << c.name;
        EXPECT_EQ(result.status, DIO_ERR_INVALID_BMP) << c.name;
        EXPECT_EQ(result.printed, "file size: " + std::to_string(bytes.size()) + "\n") << c.name;
    }
}

// Anything but a regular file is refused at once, printing nothing: a FIFO with no writer must
// not block the open, and a device or directory has no size to read.
TEST(BitmapLoader, FilesThatAreNotRegularAreRefusedWithoutOutput) {
    std::vector<std::string> paths = {::testing::TempDir(), kCharacterDevice};
#ifndef _WIN32
    const std::string fifo = unique_temp_path("no-writer.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    paths.push_back(fifo);
#endif
    for (const std::string& path : paths) {
        const OpenResult result = Open(path.c_str());
        EXPECT_EQ(result.bitmap, nullptr) << path;
        EXPECT_EQ(result.status, DIO_ERR_INVALID_BMP) << path;
        EXPECT_EQ(result.printed, "") << path;
    }
#ifndef _WIN32
    std::remove(fifo.c_str());
#endif
}

// 2^32 + 5 bytes: refused, after a size line with the true 64-bit size. Sparse, so the file
// takes no disk space.
TEST(BitmapLoader, FilesOver2GiBAreRefusedAfterTheirTrueSize) {
    const TempFile huge("huge.bmp", BmpFile(8, 2, counting_bytes(8)).bytes());
    std::filesystem::resize_file(huge.path(), (std::uintmax_t{1} << 32) + 5);
    const OpenResult result = Open(huge.path().c_str());
    EXPECT_EQ(result.bitmap, nullptr);
    EXPECT_EQ(result.status, DIO_ERR_INVALID_BMP);
    EXPECT_EQ(result.printed, "file size: 4294967301\n");
}

TEST(BitmapLoader, CloseEmptiesTheVariableSoASecondCloseDoesNothing) {
    const TempFile saved("close.bmp", BmpFile(8, 2, counting_bytes(8)).bytes());
    DioBitmap* bitmap = Open(saved.path().c_str()).bitmap;
    ASSERT_NE(bitmap, nullptr);
    DioCloseBMP(nullptr, &bitmap);
    EXPECT_EQ(bitmap, nullptr);
    DioCloseBMP(nullptr, &bitmap);
    EXPECT_EQ(bitmap, nullptr);
    DioCloseBMP(nullptr, nullptr);
}

}  // namespace
