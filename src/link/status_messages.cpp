// Status codes and their messages.
#include <array>

#include "QuorvelWCHDLL.h"

namespace {

// Indexed by the negated status code.
constexpr std::array<const char*, 13> kMessages = {
    "OK",
    "Error: Cannot allocate lpnMasterHandle.",
    "Error: Invalid CH367 handle returned.",
    "Error: Cannot get io_reg address for the CH367.",
    "Error: Commanded step size is less than or equal to zero.",
    "Error: Number of bytes to write is larger than available memory.",
    "Error: Number of bytes to write is zero, needs to be at least 1.",
    "Error: Number of bytes to read is specified to be zero, needs to be at least 1.",
    "Error: Cannot read SPI.",
    "Error: Cannot stream SPI.",
    "Error: Cannot write to the SPI.",
    "Error: Tried to access an invalid SPI address.",
    "Error: Tried to open invalid BMP file.",
};
static_assert(kMessages.size() == 1 - DIO_ERR_INVALID_BMP, "one message per code 0..-12");

// Codes below the table: a large read's byte count can wrap to such a value.
constexpr const char* kUnknownStatus = "Error: Unknown status code.";

}  // namespace

extern "C" QUORVEL_API const char* DioGetErrorStr(void* /*reserved*/, int16_t status) {
    if (status >= 0) return kMessages[0];
    if (status < DIO_ERR_INVALID_BMP) return kUnknownStatus;
    return kMessages[static_cast<std::size_t>(-status)];
}
