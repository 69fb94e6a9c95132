// The five calls into the CH367 bridge's driver library, CH367DLL64. This is the only place they
// are declared; only the link layer and the display's line-register writers include it.
// The library imports them by name: the card's driver, the project's simulator, or a caller's
// own test double can stand behind them.
#pragma once

#include <cstdint>

// Imported from a DLL on Windows: each call goes through the import table directly, instead of
// to a jump stub that the linker would add for it. (On Linux the calls stay on the PLT: built with
// -fno-plt, the library's write-only byte loop measured about 25 % slower on the benchmark
// machine; see docs/performance.md.)
#if defined(_WIN32)
#define QUORVEL_BRIDGE_IMPORT __declspec(dllimport)
#else
#define QUORVEL_BRIDGE_IMPORT
#endif

extern "C" {
// Opens the bridge; called with (0, 0, 0). Returns (void*)-1 on failure.
QUORVEL_BRIDGE_IMPORT void* CH367OpenDevice(int32_t index, int32_t exclusive, uint8_t interrupt);
// Stores the base I/O address of the bridge's register block; nonzero means success.
QUORVEL_BRIDGE_IMPORT int32_t CH367GetIoBaseAddr(uint64_t* io_base);
// Reads one register byte at an absolute I/O address. The result is not examined.
QUORVEL_BRIDGE_IMPORT int32_t CH367ReadIoByte(uint64_t address, uint8_t* value);
// Writes one register byte at an absolute I/O address.
QUORVEL_BRIDGE_IMPORT int32_t CH367WriteIoByte(uint64_t address, uint8_t value);
// Closes what CH367OpenDevice opened.
QUORVEL_BRIDGE_IMPORT void CH367CloseDevice(void);
}
