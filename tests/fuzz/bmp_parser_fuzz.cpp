// libFuzzer target: any bytes as a BMP file, through the parser alone. No file and no drawing, so
// it runs tens of thousands of inputs a second; bmp_loader_fuzz goes on to draw what is accepted.
// An accepted bitmap must hold height x row size bytes of rows, which the last one's read checks.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "display/bitmap.h"
#include "display/bitmap_parser.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The diagnostics of every accepted input would bury the fuzzer's own report.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DioBitmap* bitmap = quorvel::display::parse_bitmap({data, size}, "fuzz.bmp");
    if (bitmap == nullptr) return 0;
    if (bitmap->row_size < 0 || bitmap->height < 0) std::abort();
    const std::size_t rows_size =
        static_cast<std::size_t>(bitmap->row_size) * static_cast<std::size_t>(bitmap->height);
    if (rows_size > size) std::abort();
    if (rows_size != 0) {
        volatile std::uint8_t last = bitmap->rows[rows_size - 1];
        static_cast<void>(last);
    }
    quorvel::display::free_bitmap(bitmap);
    return 0;
}
