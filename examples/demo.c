/*
 * A host program that drives the pattern generator from end to end through the public API
 * only: open the card, load a pattern into both memories and read it back, arm and trigger it and
 * poll until it has played, single-step it while watching the program counter and the I/O
 * lines, drive the lines by
 * hand, see failures come back as status codes, and talk to the pattern generator over raw SPI;
 * then bring the display up and draw text, gray ramps, a blended box and a BMP test card through
 * the frame buffer.
 *
 * Built with the project it runs on the simulated card; linked against the card's driver it
 * runs the same way on the real one. It exits with 0 when every check passed.
 */
#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "QuorvelWCHDLL.h"

enum { kPatternWords = 8, kSteps = 3 };
/* The run-state bit of the status register that the simulated card sets when a run is over. */
enum { kHalted = 0x0008, kMostPolls = 10000000 };

static int failed_checks = 0;

static void check(int passed, const char* what) {
    printf("  check: %-48s %s\n", what, passed ? "ok" : "FAILED");
    if (!passed) ++failed_checks;
}

static void show_status(const char* call, int16_t status) {
    printf("  %-30s -> status %6d  %s\n", call, status, DioGetErrorStr(NULL, status));
}

static uint32_t read_word(DioMasterHandle* card,
                          uint8_t (*read)(DioMasterHandle*, void*, int16_t*)) {
    uint32_t value = 0;
    int16_t status = 0;
    read(card, &value, &status);
    return value;
}

static void show_run_state(DioMasterHandle* card, const char* after) {
    uint16_t state = 0;
    int16_t status = 0;
    DioReadStatusRegister(card, &state, &status);
    printf("  after %-8s status register 0x%04" PRIX16 ", program counter %" PRIu32
           ", I/O lines 0x%08" PRIX32 "\n",
           after, state, read_word(card, DioReadProgramCounter), read_word(card, DioReadCurrentIO));
}

static void load_pattern(DioMasterHandle* card, const uint32_t* output) {
    uint32_t control[kPatternWords];
    uint32_t readback[kPatternWords];
    int16_t status = 0;

    printf("\nLoading a walking-one pattern of %d words\n", kPatternWords);
    for (int i = 0; i < kPatternWords; ++i) control[i] = (uint32_t)(i + 1);
    DioClearCtrlMemory(card);
    DioClearOutMemory(card);
    DioWriteCtrlMemory(card, control, 0, kPatternWords, &status);
    DioWriteOutMemory(card, output, 0, kPatternWords, &status);
    show_status("DioWriteCtrl/OutMemory", status);

    DioReadCtrlMemory(card, readback, 0, kPatternWords, &status);
    show_status("DioReadCtrlMemory", status);
    check(status == 4 * kPatternWords && memcmp(control, readback, sizeof control) == 0,
          "control memory reads back as written");
    DioReadOutMemory(card, readback, 0, kPatternWords, &status);
    show_status("DioReadOutMemory", status);
    check(status == 4 * kPatternWords && memcmp(output, readback, sizeof readback) == 0,
          "output memory reads back as written");
}

static void run_pattern(DioMasterHandle* card, const uint32_t* output) {
    int16_t status = 0;

    printf("\nRunning it\n");
    DioSetupTriggerMode(card, 0, 0);
    show_run_state(card, "open");
    check(DioArm(card) == 1, "DioArm completed");
    show_run_state(card, "arm");
    check(DioTrig(card) == 1, "DioTrig completed");
    /* The pattern plays on its own; poll until the generator is halted again. */
    uint16_t state = 0;
    long polls = 0;
    do {
        DioReadStatusRegister(card, &state, &status);
    } while (!(state & kHalted) && ++polls < kMostPolls);
    check(state & kHalted, "the pattern played to its end");
    show_run_state(card, "playing");
    DioPause(card);
    show_run_state(card, "pause");
    for (int i = 0; i < kSteps; ++i) {
        DioStep(card, 1, &status);
        show_run_state(card, "step");
    }
    const uint32_t program_counter = read_word(card, DioReadProgramCounter);
    check(program_counter < kPatternWords &&
              read_word(card, DioReadCurrentIO) == output[program_counter],
          "I/O lines carry the word at the program counter");
    DioHalt(card);
    show_run_state(card, "halt");

    printf("\nDriving the I/O lines by hand\n");
    DioWriteCurrentIO(card, 0xA5A5A5A5u);
    show_run_state(card, "write");
    check(read_word(card, DioReadCurrentIO) == 0xA5A5A5A5u, "I/O lines read back as written");
}

static void show_failures(DioMasterHandle* card) {
    uint32_t word = 0;
    int16_t status = 0;

    printf("\nFailures come back as status codes\n");
    DioStep(card, 0, &status);
    show_status("DioStep(0)", status);
    DioReadCtrlMemory(card, &word, 0, 0, &status);
    show_status("DioReadCtrlMemory(0 words)", status);
    DioWriteSPI(card, 6, NULL, 1, &status);
    show_status("DioWriteSPI(device 6)", status);
    check(status == DIO_ERR_INVALID_SPI_DEVICE, "device 6 is refused");
}

/* The register commands are plain SPI frames on device 0: the opcode in one frame, the value in
 * the next. Sending them by hand gives the same answer as the export. */
static void raw_program_counter(DioMasterHandle* card) {
    const uint8_t read_program_counter = 'g';
    uint8_t bytes[4] = {0};
    int16_t status = DIO_OK;

    printf("\nRaw SPI on the pattern generator\n");
    DioWriteProgramCounter(card, 0x01020304u);
    DioWriteSPI(card, 0, &read_program_counter, 1, &status);
    DioReadSPI(card, 0, bytes, sizeof bytes, &status);
    show_status("DioWriteSPI + DioReadSPI", status);
    printf("  program counter bytes, lowest first: %02X %02X %02X %02X\n", bytes[0], bytes[1],
           bytes[2], bytes[3]);
    check(status == DIO_OK && bytes[0] == 0x04 && bytes[3] == 0x01,
          "raw read matches the value written");
}

/* The display: everything is drawn into the frame buffer first and shown with one send. */
/* A 4-bit BMP test card, drawn into the frame buffer at (x, y). Loading prints its header. */
static void draw_logo(DioMasterHandle* card, const char* path, uint8_t x, uint8_t y) {
    int16_t status = DIO_OK;
    DioBitmap* logo = DioOpenBMP(NULL, path, &status);
    show_status("DioOpenBMP", status);
    check(logo != NULL, "test card loaded");
    DioWriteOLEDAreaBMPBuff(card, DIO_BLEND_REPLACE, x, y, logo);
    DioCloseBMP(NULL, &logo);
}

static void draw_display(DioMasterHandle* card, const char* logo_path) {
    enum { kRamps = 7, kBoxBytes = 20, kBoxRows = 22 };  /* box: bytes (two pixels each) by rows */
    static uint8_t box[kBoxBytes * kBoxRows];
    int16_t status = -1;

    printf("\nDrawing on the display\n");
    check(DioSetupOLED(card, &status) == 1 && status == DIO_OK, "display set up");

    DioWriteOLEDStrBuff(card, DIO_BLEND_REPLACE, 4, 1, "Quorvel pattern generator");
    /* Gray ramps: each line fades from black to full brightness along its length. */
    for (uint8_t i = 0; i < kRamps; ++i) {
        const uint8_t y = (uint8_t)(22 + 6 * i);
        DioWriteOLEDLineBuff(card, DIO_BLEND_REPLACE, 4, y, 164, y, 0, 15);
    }
    /* A mid-gray box blended over the ramps: under the maximum blend the ramps still show where
     * they are brighter than the box; XOR then cuts a word out of it. */
    memset(box, 0x44, sizeof box);
    DioWriteOLEDAreaArrBuff(card, DIO_BLEND_MAX, 60, 24, kBoxBytes, kBoxRows, box);
    DioWriteOLEDStrBuff(card, DIO_BLEND_XOR, 68, 27, "MAX");
    draw_logo(card, logo_path, 172, 16);
    DioSendOLEDBuff(card);
    printf("  frame buffer sent: title, %d gray ramps, a blended box, the test card\n", kRamps);
}

/* Usage: demo [TEST_CARD.bmp]; without an argument the test card is looked for as logo.bmp in
 * the working directory. */
int main(int argc, char** argv) {
    const char* logo_path = argc > 1 ? argv[1] : "logo.bmp";
    DioMasterHandle* card = NULL;
    int16_t status = 0;
    uint32_t output[kPatternWords];
    for (int i = 0; i < kPatternWords; ++i) output[i] = 1u << i;

    printf("Opening the card\n");
    DioInitialize(NULL, &card, &status);
    show_status("DioInitialize", status);
    if (status != DIO_OK) {
        DioClose(card);
        return 1;
    }
    printf("  data lines: %" PRIu32 "\n", read_word(card, DioReadMaxDataLines));

    load_pattern(card, output);
    run_pattern(card, output);
    show_failures(card);
    raw_program_counter(card);
    draw_display(card, logo_path);

    DioClose(card);
    printf("\n%s\n", failed_checks == 0 ? "Demo finished: every check passed."
                                         : "Demo finished: some checks FAILED.");
    return failed_checks == 0 ? 0 : 1;
}
