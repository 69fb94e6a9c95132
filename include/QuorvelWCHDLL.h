/*
 * QuorvelWCHDLL: host library for the Quorvel PCI Express digital-I/O pattern-generator card
 * and the 256 x 64 grayscale OLED mounted on it.
 *
 * The card is reached through the byte-wide I/O registers of its WCH CH367 bridge. Behind the
 * bridge's SPI master sit device 0, the pattern generator, and device 1, the display controller;
 * devices 2 to 5 are reachable through the raw SPI exports only.
 *
 * Use:
 *   DioMasterHandle* card = NULL; int16_t status;
 *   DioInitialize(NULL, &card, &status);          // status 0 on success
 *   ... any export, with card as first argument ...
 *   DioClose(card);
 *
 * Conventions that hold for every export below:
 *  - Exports run to completion on the caller's thread, take no lock and keep no global state.
 *    Calls on one master handle must not overlap. On the simulated card, threads with a handle
 *    each may call at once: the simulated bridge takes their bus accesses a whole command at a
 *    time. DioClose closes the bridge for the whole process: close handles when all are done.
 *  - An export given a null master handle, or a handle whose open failed, returns at once: no bus
 *    access, no status written, success flag 0.
 *  - No export writes through a null status pointer.
 *  - A "success flag" is the one-byte result of the export's last SPI transaction: 1 when it
 *    completed, 0 when the bridge's bus gate did not respond.
 *  - Several exports leave the status untouched on success (DioStep, the memory writes, the raw
 *    SPI exports, DioOpenBMP): set it to 0 before the call when you mean to read it afterwards.
 *  - Transaction counts ("txn") name SPI transactions, each with its own chip-select frame.
 *
 * All declarations are plain C; the header compiles as C11 and as C++.
 */
#ifndef QUORVELWCHDLL_H
#define QUORVELWCHDLL_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(QUORVELWCHDLL_BUILDING)
#    define QUORVEL_API __declspec(dllexport)
#  else
#    define QUORVEL_API __declspec(dllimport)
#  endif
#else
#  define QUORVEL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque per-card record, from DioInitialize to DioClose. */
typedef struct DioMasterHandle DioMasterHandle;
/* Opaque loaded bitmap, from DioOpenBMP to DioCloseBMP. */
typedef struct DioBitmap DioBitmap;

/* ---- Status codes (written through the last argument of the exports that have one) ---------- */
/* 0 is success; a positive value is success carrying the byte count of a read. */
#define DIO_OK                          0
#define DIO_ERR_ALLOCATE_HANDLE        (-1)  /* "Error: Cannot allocate lpnMasterHandle." */
#define DIO_ERR_INVALID_CH367_HANDLE   (-2)  /* "Error: Invalid CH367 handle returned." */
#define DIO_ERR_IO_BASE_ADDRESS        (-3)  /* "Error: Cannot get io_reg address for the CH367." */
#define DIO_ERR_STEP_SIZE              (-4)  /* DioStep with a step size <= 0 */
#define DIO_ERR_WRITE_TOO_LARGE        (-5)  /* defined message; no export produces it */
#define DIO_ERR_WRITE_ZERO_WORDS       (-6)  /* memory write of 0 words */
#define DIO_ERR_READ_ZERO_WORDS        (-7)  /* memory read of 0 words */
#define DIO_ERR_READ_SPI               (-8)  /* "Error: Cannot read SPI." */
#define DIO_ERR_STREAM_SPI             (-9)  /* "Error: Cannot stream SPI." */
#define DIO_ERR_WRITE_SPI             (-10)  /* "Error: Cannot write to the SPI." */
#define DIO_ERR_INVALID_SPI_DEVICE    (-11)  /* device index above 5 */
#define DIO_ERR_INVALID_BMP           (-12)  /* "Error: Tried to open invalid BMP file." */

/* ---- Blend modes: second argument of every ...Buff drawer ------------------------------------ */
/* Any other value draws nothing. */
#define DIO_BLEND_REPLACE          0  /* new byte / pixel replaces the old */
#define DIO_BLEND_OR               1  /* bitwise OR */
#define DIO_BLEND_MAX              2  /* per pixel, the brighter of old and new */
#define DIO_BLEND_XOR              3  /* bitwise XOR; drawing twice restores */
#define DIO_BLEND_NONZERO_REPLACE  4  /* new pixels that are not 0 replace the old */

/* ==== Open, close, messages ==================================================================== */

/* Opens the card. Writes 0 to *status on entry, then -1 (no memory: *lpnMasterHandle becomes
 * NULL), -2 (bridge open failed) or -3 (bridge base address failed; the bridge is closed again).
 * After -2 or -3 *lpnMasterHandle holds a record that only DioClose accepts. On success it
 * deselects all six SPI devices (line register bits 0..5 set, bits 6..7 kept), clears the frame
 * buffer, sends the DDS reset 0x69 to device 0 (1 txn) and waits 10 ms. A null lpnMasterHandle
 * writes -1 and opens nothing. The first argument is ignored. */
QUORVEL_API void DioInitialize(void* reserved, DioMasterHandle** lpnMasterHandle, int16_t* status);

/* Closes the bridge (when the open completed) and frees the record. NULL does nothing.
 * No bus traffic. The handle must not be used afterwards. */
QUORVEL_API void DioClose(DioMasterHandle* handle);

/* Message of a status code: codes >= 0 give "OK", -1..-12 their message, anything lower
 * "Error: Unknown status code.". The string is constant. Callable at any time. First argument
 * ignored. */
QUORVEL_API const char* DioGetErrorStr(void* reserved, int16_t status);

/* ==== Raw SPI and address registers =========================================================== */

/* One SPI transaction of count bytes on device 0..5: sends out[i] (0x00 when out is NULL) and,
 * when in is not NULL, stores the byte received for each position (in may equal out).
 * Status: -11 for device > 5 (no bus access), -9 when the bus gate fails; untouched on success. */
QUORVEL_API void DioStreamSPI(DioMasterHandle* handle, uint8_t device, const uint8_t* out,
                              uint8_t* in, uint64_t count, int16_t* status);
/* As DioStreamSPI without receiving. Status: -11, or -10 on failure; untouched on success. */
QUORVEL_API void DioWriteSPI(DioMasterHandle* handle, uint8_t device, const uint8_t* out,
                             uint64_t count, int16_t* status);
/* As DioStreamSPI sending 0x00 for each byte read. Status: -11, or -8; untouched on success. */
QUORVEL_API void DioReadSPI(DioMasterHandle* handle, uint8_t device, uint8_t* in, uint64_t count,
                            int16_t* status);
/* Writes value to the bridge's address low register (0xF0). Returns the driver's write result. */
QUORVEL_API int32_t DioSetADRSR_Low(DioMasterHandle* handle, uint8_t value);
/* Writes value straight to the line register (0xF1), bypassing the library's line shadow: the
 * next transaction restores the shadow's value. Returns the driver's write result. */
QUORVEL_API int32_t DioSetADRSR_High(DioMasterHandle* handle, uint8_t value);

/* ==== Pattern generator: run control (device 0) =============================================== */
/* Each sends a one-byte opcode as 1 txn and returns its success flag. */

QUORVEL_API uint8_t DioArm(DioMasterHandle* handle);              /* 'a' */
QUORVEL_API uint8_t DioHalt(DioMasterHandle* handle);             /* 'h' */
QUORVEL_API uint8_t DioReset(DioMasterHandle* handle);            /* 'h': the same function as DioHalt */
QUORVEL_API uint8_t DioPause(DioMasterHandle* handle);            /* 'p' */
QUORVEL_API uint8_t DioTrig(DioMasterHandle* handle);             /* 'r' */
QUORVEL_API uint8_t DioResetDDS(DioMasterHandle* handle);         /* 'i' (no wait) */
QUORVEL_API uint8_t DioClearCtrlMemory(DioMasterHandle* handle);  /* 'z' */
QUORVEL_API uint8_t DioClearOutMemory(DioMasterHandle* handle);   /* 'Z' */
/* 'j' then the step size as 4 bytes little-endian (2 txn). A step size <= 0 sends nothing and
 * writes -4; otherwise the status is untouched and the success flag is dropped. */
QUORVEL_API void DioStep(DioMasterHandle* handle, int32_t step, int16_t* status);
/* 't', then mode1, then mode2 (3 txn of 1 byte). Returns the flag of the mode2 txn. */
QUORVEL_API uint8_t DioSetupTriggerMode(DioMasterHandle* handle, uint8_t mode1, uint8_t mode2);

/* ==== Pattern generator: memory and register transfers (device 0) ============================= */
/* Memory transfers move 4 x words bytes of 32-bit memory words as they lie in the buffer:
 * opcode, start address (4 bytes LE), word count (4 bytes LE), then one data txn.
 * Reads write status -7 for 0 words (nothing sent), else min(4 x words, 32767) on success or -8
 * when the data txn fails. Writes write -6 for 0 words and otherwise leave the status alone. */

QUORVEL_API void DioReadCtrlMemory(DioMasterHandle* handle, void* buffer, uint32_t start,
                                   uint32_t words, int16_t* status);   /* 'c' */
QUORVEL_API void DioReadOutMemory(DioMasterHandle* handle, void* buffer, uint32_t start,
                                  uint32_t words, int16_t* status);    /* 'q' */
QUORVEL_API void DioWriteCtrlMemory(DioMasterHandle* handle, const void* buffer, uint32_t start,
                                    uint32_t words, int16_t* status);  /* 'w' */
QUORVEL_API void DioWriteOutMemory(DioMasterHandle* handle, const void* buffer, uint32_t start,
                                   uint32_t words, int16_t* status);   /* 'e' */

/* Register reads: opcode (1 txn), then one txn receiving the register into buffer. Status: the
 * byte count (4, or 2 for the status register) on success, -8 on failure. Return the data txn's
 * success flag. */
QUORVEL_API uint8_t DioReadProgramCounter(DioMasterHandle* handle, void* buffer4, int16_t* status); /* 'g' */
QUORVEL_API uint8_t DioReadCurrentIO(DioMasterHandle* handle, void* buffer4, int16_t* status);      /* 'n' */
QUORVEL_API uint8_t DioReadMaxDataLines(DioMasterHandle* handle, void* buffer4, int16_t* status);   /* ',' */
QUORVEL_API uint8_t DioReadStatusRegister(DioMasterHandle* handle, void* buffer2, int16_t* status); /* 's' */

/* Register writes: opcode(s), then the value as 4 bytes LE. Return the value txn's flag. */
QUORVEL_API uint8_t DioWriteProgramCounter(DioMasterHandle* handle, uint32_t value); /* 'x' */
/* 'p' (a complete pause command), then 'm', then the value: 3 txn. */
QUORVEL_API uint8_t DioWriteCurrentIO(DioMasterHandle* handle, uint32_t value);

/* ==== Display: set-up and row fill (device 1) ================================================= */
/* Display memory: 64 rows of 128 bytes; byte column c = x >> 1 holds pixel 2c in its high nibble
 * and 2c + 1 in its low nibble; gray levels 0..15 (a level argument counts by its low 4 bits).
 * Every packed array uses this layout.
 * Immediate (...Imm) writers send an address command (B0, row, c & 0x0F, 0x10 | c >> 4: 1 txn),
 * set the data/command line (line register bit 6), send the data (1 txn), and clear the line.
 * They never read the display, so a write covering one pixel of a pair sets its partner to 0.
 * A null data, text, column or bitmap pointer draws and sends nothing. */

/* Reset pulse (1 ms low, 1 ms settle), 21-byte init sequence (1 txn), 64 row fills, 0xAF (1 txn);
 * clears the frame buffer. Writes status 0; returns the flag of the 0xAF txn. */
QUORVEL_API uint8_t DioSetupOLED(DioMasterHandle* handle, int16_t* status);
/* Fills one row with 128 copies of value, one txn per byte (129 txn). */
QUORVEL_API void DioWriteOLEDRowValImm(DioMasterHandle* handle, uint8_t row, uint8_t value);
/* Clears the screen: the row fill with 0 for rows 0..63 (8256 txn). Frame buffer untouched. */
QUORVEL_API void DIOClearOLEDImm(DioMasterHandle* handle);

/* ==== Display: immediate drawing ============================================================== */

/* One byte, unchanged, at (row, column & 0x7F). */
QUORVEL_API void DioWriteOLEDPixelPairImm(DioMasterHandle* handle, uint8_t column, uint8_t row,
                                          uint8_t pair);
/* One pixel of level & 0x0F at (x, row); its partner pixel becomes 0. */
QUORVEL_API void DioWriteOLEDPixelImm(DioMasterHandle* handle, uint8_t x, uint8_t row, uint8_t level);
/* length packed bytes whose first pixel lands on pixel x of row, in 1 data txn. At an odd x the
 * run is shifted by one nibble and sent as length + 1 bytes (pixels x - 1 and x + 2 x length
 * become 0); an odd-x run of length 0 sends nothing. A run longer than its row continues on the
 * next row. */
QUORVEL_API void DioWriteOLEDArrImm(DioMasterHandle* handle, uint8_t x, uint8_t row,
                                    const uint8_t* data, uint64_t length);
/* One whole row of 128 bytes. */
QUORVEL_API void DioWriteOLEDRowArrImm(DioMasterHandle* handle, uint8_t row, const uint8_t* data);
/* The whole screen of 8192 bytes in one data txn. */
QUORVEL_API void DioWriteOLEDScreenArrImm(DioMasterHandle* handle, const uint8_t* data);
/* height runs of width bytes, top first, at rows row, row + 1, ... (mod 256). */
QUORVEL_API void DioWriteOLEDAreaArrImm(DioMasterHandle* handle, uint8_t x, uint8_t row,
                                        uint8_t width, uint8_t height, const uint8_t* data);
/* columns: 256 pointers, one per pixel column, each to 64 levels (row 0 first, one per byte,
 * low 4 bits used). Packs the screen, then sends it as 64 row writes; a null entry sends nothing. */
QUORVEL_API void DioWriteOLED2DUnpackedArrImm(DioMasterHandle* handle,
                                              const uint8_t* const* columns);

/* ==== Display: frame buffer ===================================================================== */
/* ...Buff writers change only the frame buffer (no bus traffic); rows count modulo 64 and byte
 * columns modulo 128; a run past the end of the frame buffer wraps to its start. */

QUORVEL_API void DioWriteOLEDPixelPairBuff(DioMasterHandle* handle, int32_t mode, uint8_t column,
                                           uint8_t row, uint8_t pair);
/* Blends level & 0x0F into pixel x; the partner pixel never changes. */
QUORVEL_API void DioWriteOLEDPixelBuff(DioMasterHandle* handle, int32_t mode, uint8_t x,
                                       uint8_t row, uint8_t level);
/* At an odd x the nibble-shifted run carries a 0 pixel at each end (replace clears them, the
 * other modes leave them); an odd-x run of length 0 changes nothing. */
QUORVEL_API void DioWriteOLEDArrBuff(DioMasterHandle* handle, int32_t mode, uint8_t x, uint8_t row,
                                     const uint8_t* data, uint64_t length);
QUORVEL_API void DioWriteOLEDRowArrBuff(DioMasterHandle* handle, int32_t mode, uint8_t row,
                                        const uint8_t* data);
QUORVEL_API void DioWriteOLEDScreenArrBuff(DioMasterHandle* handle, int32_t mode,
                                           const uint8_t* data);
QUORVEL_API void DioWriteOLEDAreaArrBuff(DioMasterHandle* handle, int32_t mode, uint8_t x,
                                         uint8_t row, uint8_t width, uint8_t height,
                                         const uint8_t* data);
/* Sends the whole frame buffer: address (0, 0), then 8192 bytes in one data txn. */
QUORVEL_API void DioSendOLEDBuff(DioMasterHandle* handle);
/* Sets the frame buffer to 0; sends nothing. */
QUORVEL_API void DioClearOLEDBuff(DioMasterHandle* handle);

/* ==== Display: lines ============================================================================ */
/* A line from (x0, y0) at level0 towards (x1, y1) at level1, one point per step along the longer
 * axis; the end point itself is not drawn. Two consecutive points in one display byte are
 * written as one pixel pair. Immediate lines blank the partner pixel of single points. Levels
 * ramp linearly (truncated) and count by their low 4 bits. */
QUORVEL_API void DioWriteOLEDLineImm(DioMasterHandle* handle, uint8_t x0, uint8_t y0, uint8_t x1,
                                     uint8_t y1, uint8_t level0, uint8_t level1);
QUORVEL_API void DioWriteOLEDLineBuff(DioMasterHandle* handle, int32_t mode, uint8_t x0, uint8_t y0,
                                      uint8_t x1, uint8_t y1, uint8_t level0, uint8_t level1);

/* ==== Display: text (8 x 16 cells, lit pixels at level 15, unlit at 0) ========================= */
/* Codes 32..126 are printable ASCII, 127 a hatched block; codes below 32 (and 128..255 as
 * unsigned) draw nothing. Each character is 16 runs of 4 bytes (5 at an odd x) at rows y..y + 15.
 * A string advances 8 columns per character, a rejected code included, wrapping from x 255 to 0
 * on the same row. */
QUORVEL_API void DioWriteOLEDCharImm(DioMasterHandle* handle, uint8_t x, uint8_t y, int8_t code);
QUORVEL_API void DioWriteOLEDCharBuff(DioMasterHandle* handle, int32_t mode, uint8_t x, uint8_t y,
                                      int8_t code);
QUORVEL_API void DioWriteOLEDStrImm(DioMasterHandle* handle, uint8_t x, uint8_t y, const char* text);
QUORVEL_API void DioWriteOLEDStrBuff(DioMasterHandle* handle, int32_t mode, uint8_t x, uint8_t y,
                                     const char* text);

/* ==== Display: bitmaps ========================================================================== */
/* Loads a BMP file whose rows hold display-packed pixels (4 bits per pixel, left pixel in the
 * high nibble), prints its size and header fields to standard output (21 lines), and returns the
 * bitmap, rows taken counted back from the end of the file so a bottom-up file comes out top row
 * first. Returns NULL with status -12, printing nothing, for a NULL path and for a name that
 * does not open as a regular file: missing, not readable, a directory, a FIFO or a device (opened
 * without waiting, so a FIFO with no writer does not block). Returns NULL with status -12 after
 * printing only the "file size" line, with the file's true size, for a regular file that is
 * refused: over 2^31 - 1 bytes, shorter than the 54-byte header, data offset past its end,
 * negative height (top-down), negative or over-32-bit row size, fewer pixel bytes than height x
 * row size, a read that fails, or no memory. Untouched status on success. Needs no master
 * handle. The first argument is ignored. */
QUORVEL_API DioBitmap* DioOpenBMP(void* reserved, const char* path, int16_t* status);
/* Frees *bitmap and sets it to NULL; a NULL bitmap or variable pointer does nothing. */
QUORVEL_API void DioCloseBMP(void* reserved, DioBitmap** bitmap);
/* Draw the bitmap as an area: for i = 0 .. (height & 0xFF) - 1, the row_size & 0xFF bytes at
 * offset i x (row_size & 0xFF) of its rows as one run at pixel x of row y + i (mod 256), through
 * DioWriteOLEDArrImm (2 txn per row) or, under mode, DioWriteOLEDArrBuff (nothing sent). Bytes
 * go out unchanged, row padding included; the colour table plays no part. A bitmap is drawn
 * whole only when row size and height are both at most 255. */
QUORVEL_API void DioWriteOLEDAreaBMPImm(DioMasterHandle* handle, uint8_t x, uint8_t y,
                                        const DioBitmap* bitmap);
QUORVEL_API void DioWriteOLEDAreaBMPBuff(DioMasterHandle* handle, int32_t mode, uint8_t x,
                                         uint8_t y, const DioBitmap* bitmap);

#ifdef __cplusplus
}
#endif

#endif /* QUORVELWCHDLL_H */
