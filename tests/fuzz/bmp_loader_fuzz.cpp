// libFuzzer target: any bytes as a BMP file. Each input is parsed (and, now and then, loaded
// through DioOpenBMP from a file), then closed. AddressSanitizer and UndefinedBehaviorSanitizer
// turn any read or write outside a buffer, any leak and any overflow into a failure.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include <unistd.h>

#include "QuorvelWCHDLL.h"
#include "display/bitmap_parser.h"

namespace {

std::string file_path;  // the file through which every 16th input size goes

void remove_file() { std::remove(file_path.c_str()); }

DioBitmap* load(const std::uint8_t* data, std::size_t size) {
    if (size % 16 != 0) return quorvel::display::parse_bitmap({data, size}, "fuzz.bmp");
    std::FILE* file = std::fopen(file_path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    std::int16_t status = 0;
    DioBitmap* bitmap = DioOpenBMP(nullptr, file_path.c_str(), &status);
    if ((bitmap == nullptr) != (status == DIO_ERR_INVALID_BMP)) std::abort();
    return bitmap;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The diagnostics of every accepted input would bury the fuzzer's own report.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
    char name[] = "/tmp/bmp_loader_fuzz-XXXXXX";
    const int descriptor = mkstemp(name);
    if (descriptor < 0) std::abort();
    close(descriptor);
    file_path = name;
    std::atexit(remove_file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DioBitmap* bitmap = load(data, size);
    if (bitmap == nullptr) return 0;
    DioCloseBMP(nullptr, &bitmap);
    if (bitmap != nullptr) std::abort();
    return 0;
}
