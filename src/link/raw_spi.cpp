// The transport itself for the caller: raw SPI on any of the six devices, and the address
// register pair.
#include "link/register_io.h"
#include "link/spi_transaction.h"

using namespace quorvel::link;

namespace {

// Runs one caller transaction; writes `failure` when the transaction fails and -11 for a
// device index above 5. Leaves the status alone on success.
void raw_transaction(DioMasterHandle* handle, uint8_t device, const uint8_t* out, uint8_t* in,
                     uint64_t count, int16_t* status, int16_t failure) {
    if (!usable(handle)) return;
    if (device >= kSpiDeviceCount) {
        set_status(status, DIO_ERR_INVALID_SPI_DEVICE);
        return;
    }
    if (!spi_transaction(*handle, device, out, in, count)) set_status(status, failure);
}

int32_t write_raw(DioMasterHandle* handle, Register reg, uint8_t value) {
    if (!usable(handle)) return 0;
    return write_register(*handle, reg, value);
}

}  // namespace

extern "C" {

QUORVEL_API void DioStreamSPI(DioMasterHandle* handle, uint8_t device, const uint8_t* out,
                              uint8_t* in, uint64_t count, int16_t* status) {
    raw_transaction(handle, device, out, in, count, status, DIO_ERR_STREAM_SPI);
}

QUORVEL_API void DioWriteSPI(DioMasterHandle* handle, uint8_t device, const uint8_t* out,
                             uint64_t count, int16_t* status) {
    raw_transaction(handle, device, out, nullptr, count, status, DIO_ERR_WRITE_SPI);
}

QUORVEL_API void DioReadSPI(DioMasterHandle* handle, uint8_t device, uint8_t* in, uint64_t count,
                            int16_t* status) {
    raw_transaction(handle, device, nullptr, in, count, status, DIO_ERR_READ_SPI);
}

QUORVEL_API int32_t DioSetADRSR_Low(DioMasterHandle* handle, uint8_t value) {
    return write_raw(handle, Register::AddressLow, value);
}

// Bypasses the line shadow on purpose: the next transaction writes the shadow's value back.
QUORVEL_API int32_t DioSetADRSR_High(DioMasterHandle* handle, uint8_t value) {
    return write_raw(handle, Register::Lines, value);
}

}  // extern "C"
