// The SPI transaction: the only code that drives the bridge's gate, SPI control and SPI data
// registers. Everything that talks to a device hands it a device index and bytes.
#pragma once

#include <cstdint>

#include "link/master_handle.h"

namespace quorvel::link {

// Opens the bus, selects `device` (0..5, not checked here), shifts `count` bytes, closes the bus
// and deselects all six devices. Sends out[i], or 0x00 for every byte when `out` is null; when
// `in` is not null it stores the byte received for position i into in[i] after sending out[i],
// so `in` may be `out`. Returns false when the bus gate does not follow the open (nothing is
// selected or sent then) or the close (the device stays selected until the next transaction that
// closes properly). Never waits, never retries.
bool spi_transaction(DioMasterHandle& handle, std::uint8_t device, const std::uint8_t* out,
                     std::uint8_t* in, std::uint64_t count);

}  // namespace quorvel::link
