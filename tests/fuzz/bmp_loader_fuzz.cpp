// libFuzzer target: any bytes as a BMP file. Each input is parsed (and, now and then, loaded
// through DioOpenBMP from a file); an accepted one is drawn into the frame buffer in every blend
// mode and a few invalid ones, straight to the simulated display, the frame buffer is sent, and
// the bitmap closed. AddressSanitizer and UndefinedBehaviorSanitizer turn any read or write
// outside a buffer, any leak and any overflow into a failure.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include <unistd.h>

#include "QuorvelWCHDLL.h"
#include "ch367sim.h"
#include "display/bitmap_parser.h"

namespace {

DioMasterHandle* card = nullptr;

// Blend modes 0..4 and invalid values on both sides, which must change nothing.
constexpr std::int32_t kModes[] = {-1, 0, 1, 2, 3, 4, 5, 0x7FFFFFFF};

// The header's reserved bytes, which the loader ignores, choose where the bitmap is drawn.
constexpr std::size_t kXOffset = 6;
constexpr std::size_t kYOffset = 7;

// Inputs whose size is a multiple of 16 go through a temporary file and DioOpenBMP, the others
// straight to the parser.
DioBitmap* load(const std::uint8_t* data, std::size_t size) {
    if (size % 16 != 0) return quorvel::display::parse_bitmap({data, size}, "fuzz.bmp");
    char path[] = "/tmp/bmp_loader_fuzz-XXXXXX";
    const int descriptor = mkstemp(path);
    if (descriptor < 0 || write(descriptor, data, size) != static_cast<ssize_t>(size)) std::abort();
    close(descriptor);
    std::int16_t status = 0;
    DioBitmap* bitmap = DioOpenBMP(nullptr, path, &status);
    unlink(path);
    if ((bitmap == nullptr) != (status == DIO_ERR_INVALID_BMP)) std::abort();
    return bitmap;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The diagnostics of every accepted input would bury the fuzzer's own report.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();

    // The simulated card, opened once and kept; its transaction log would only grow.
    ch367sim_reset();
    ch367sim_set_logging(0);
    std::int16_t status = 0;
    DioInitialize(nullptr, &card, &status);
    if (status != DIO_OK) std::abort();
    DioSetupOLED(card, &status);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DioBitmap* bitmap = load(data, size);
    if (bitmap == nullptr) return 0;
    const std::uint8_t x = data[kXOffset];  // an accepted file holds a whole header
    const std::uint8_t y = data[kYOffset];
    for (const std::int32_t mode : kModes) DioWriteOLEDAreaBMPBuff(card, mode, x, y, bitmap);
    DioWriteOLEDAreaBMPImm(card, x, y, bitmap);
    DioSendOLEDBuff(card);
    DioCloseBMP(nullptr, &bitmap);
    if (bitmap != nullptr) std::abort();
    return 0;
}
