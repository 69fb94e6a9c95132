/* A program built the MSVC way (clang for x86_64-pc-windows-msvc, linked by lld-link against
 * QuorvelWCHDLL.lib alone): no C runtime, its own entry point. It calls exports with every kind
 * of argument the API has (pointers, 16-bit statuses, 64-bit lengths, bytes, 32-bit words),
 * checks what comes back on the simulated card, and exits with the number of failed checks. */
#include "QuorvelWCHDLL.h"

static int failures;

static void check(int ok) { failures += ok ? 0 : 1; }

/* No C runtime: comparisons by hand. */
static int starts_with(const char* text, const char* prefix) {
    if (text == 0) return 0;
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (*text != *prefix) return 0;
    }
    return 1;
}

static void memory_round_trip(DioMasterHandle* card) {
    uint32_t written[8];
    uint32_t read[8];
    for (uint32_t i = 0; i < 8; ++i) {
        written[i] = 0x01020304u * (i + 1) ^ 0xA5000000u;
        read[i] = 0;
    }
    int16_t status = 0;
    DioWriteOutMemory(card, written, 5, 8, &status);
    DioReadOutMemory(card, read, 5, 8, &status);
    check(status == 8 * 4);  /* a read's status is its byte count */
    for (int i = 0; i < 8; ++i) check(read[i] == written[i]);

    status = 0x1234;
    DioWriteOutMemory(card, written, 0, 0, &status);
    check(status == DIO_ERR_WRITE_ZERO_WORDS);
}

static void raw_spi(DioMasterHandle* card) {
    uint8_t out[2] = {0x5A, 0xC3};
    uint8_t in[2] = {0, 0};
    int16_t status = 0x1234;
    /* The length is the fifth argument: a 64-bit value on the stack. */
    DioStreamSPI(card, 3, out, in, 2, &status);
    check(status == 0x1234);  /* untouched on success */
    DioWriteSPI(card, 6, out, (uint64_t)1 << 32 | 2, &status);
    check(status == DIO_ERR_INVALID_SPI_DEVICE);
}

int consumer_main(void) {
    DioMasterHandle* card = 0;
    int16_t status = 0x1234;
    DioInitialize(0, &card, &status);
    check(status == DIO_OK && card != 0);
    check(starts_with(DioGetErrorStr(0, DIO_ERR_INVALID_SPI_DEVICE), "Error"));

    uint8_t lines[4] = {0, 0, 0, 0};
    check(DioReadMaxDataLines(card, lines, &status) == 1);
    check(lines[0] == 32 && lines[1] == 0 && lines[2] == 0 && lines[3] == 0);
    check(DioSetupTriggerMode(card, 1, 2) == 1);
    check(DioWriteCurrentIO(card, 0x80000001u) == 1);
    memory_round_trip(card);
    raw_spi(card);

    DioClose(card);
    return failures;
}
