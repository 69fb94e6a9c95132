#include "link/spi_transaction.h"

#include "link/register_io.h"

namespace quorvel::link {

namespace {

std::uint8_t spi_control_byte(const DioMasterHandle& handle) {
    std::uint8_t control = kSpiEnable;
    if (handle.mode_a == 1) control |= kSpiModeA;
    if (handle.mode_b == 1) control |= kSpiModeB;
    return control;
}

bool gate_closed(const DioMasterHandle& handle) {
    return (read_register(handle, Register::BridgeControl) & kBusGate) != 0;
}

// Gate to 0: the bus opens. Returns false when the read-back still shows the gate closed.
bool open_bus(const DioMasterHandle& handle) {
    read_register(handle, Register::SpiControl);
    write_register(handle, Register::SpiControl, spi_control_byte(handle));
    const std::uint8_t control = read_register(handle, Register::BridgeControl);
    // The gate must fall from 1 to 0, so raise it first when it reads 0.
    if ((control & kBusGate) == 0) {
        write_register(handle, Register::BridgeControl, control | kBusGate);
    }
    write_register(handle, Register::BridgeControl,
                   static_cast<std::uint8_t>((control & kControlKeepMask) | kControlOpenBits));
    return !gate_closed(handle);
}

std::uint8_t receive_byte(const DioMasterHandle& handle) {
    const std::uint8_t spi_control = read_register(handle, Register::SpiControl);
    write_register(handle, Register::SpiControl,
                   static_cast<std::uint8_t>(spi_control & ~kSpiReceiveDone));
    const std::uint8_t control = read_register(handle, Register::BridgeControl);
    if (handle.mode_b == 0) {
        write_register(handle, Register::BridgeControl,
                       static_cast<std::uint8_t>(control & kControlKeepMask));
    }
    return read_register(handle, Register::SpiData);
}

// Gate to 1: the bus closes. Returns false when the read-back still shows the gate open.
bool close_bus(const DioMasterHandle& handle) {
    const std::uint8_t spi_control = read_register(handle, Register::SpiControl);
    write_register(handle, Register::SpiControl,
                   static_cast<std::uint8_t>(spi_control & kSpiCloseKeepMask));
    const std::uint8_t control = read_register(handle, Register::BridgeControl);
    write_register(handle, Register::BridgeControl,
                   static_cast<std::uint8_t>((control & kControlKeepMask) | kControlCloseBits));
    return gate_closed(handle);
}

}  // namespace

bool spi_transaction(DioMasterHandle& handle, std::uint8_t device, const std::uint8_t* out,
                     std::uint8_t* in, std::uint64_t count) {
    if (!open_bus(handle)) return false;
    write_lines(handle, static_cast<std::uint8_t>(handle.line_shadow & ~(1u << device)));

    for (std::uint64_t i = 0; i < count; ++i) {
        write_register(handle, Register::SpiData, out != nullptr ? out[i] : 0x00);
        if (in != nullptr) in[i] = receive_byte(handle);
    }

    if (!close_bus(handle)) return false;
    write_lines(handle, static_cast<std::uint8_t>(handle.line_shadow | kAllChipSelects));
    return true;
}

}  // namespace quorvel::link
