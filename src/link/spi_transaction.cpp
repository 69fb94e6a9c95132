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

bool gate_closed(RegisterBlock bridge) {
    return (bridge.read(Register::BridgeControl) & kBusGate) != 0;
}

// Gate to 0: the bus opens. Returns false when the read-back still shows the gate closed.
bool open_bus(RegisterBlock bridge, std::uint8_t spi_control) {
    bridge.read(Register::SpiControl);
    bridge.write(Register::SpiControl, spi_control);
    const std::uint8_t control = bridge.read(Register::BridgeControl);
    // The gate must fall from 1 to 0, so raise it first when it reads 0.
    if ((control & kBusGate) == 0) {
        bridge.write(Register::BridgeControl, control | kBusGate);
    }
    bridge.write(Register::BridgeControl,
                 static_cast<std::uint8_t>((control & kControlKeepMask) | kControlOpenBits));
    return !gate_closed(bridge);
}

// After the byte was sent: acknowledges it and reads what came back. With mode flag B at 0 the
// bridge control register is also written for each byte.
std::uint8_t receive_byte(RegisterBlock bridge, bool gate_write_per_byte) {
    const std::uint8_t spi_control = bridge.read(Register::SpiControl);
    bridge.write(Register::SpiControl, static_cast<std::uint8_t>(spi_control & ~kSpiReceiveDone));
    const std::uint8_t control = bridge.read(Register::BridgeControl);
    if (gate_write_per_byte) {
        bridge.write(Register::BridgeControl, static_cast<std::uint8_t>(control & kControlKeepMask));
    }
    return bridge.read(Register::SpiData);
}

// The bytes of a transaction that reads nothing back: one data-register write each (0x00 when
// `out` is null). A function of its own, so the register address stays in a processor register.
[[gnu::noinline]] void send_bytes(RegisterBlock bridge, const std::uint8_t* out,
                                  std::uint64_t count) {
    if (out != nullptr) {
        for (std::uint64_t i = 0; i < count; ++i) bridge.write(Register::SpiData, out[i]);
    } else {
        for (std::uint64_t i = 0; i < count; ++i) bridge.write(Register::SpiData, 0x00);
    }
}

// Gate to 1: the bus closes. Returns false when the read-back still shows the gate open.
bool close_bus(RegisterBlock bridge) {
    const std::uint8_t spi_control = bridge.read(Register::SpiControl);
    bridge.write(Register::SpiControl, static_cast<std::uint8_t>(spi_control & kSpiCloseKeepMask));
    const std::uint8_t control = bridge.read(Register::BridgeControl);
    bridge.write(Register::BridgeControl,
                 static_cast<std::uint8_t>((control & kControlKeepMask) | kControlCloseBits));
    return gate_closed(bridge);
}

}  // namespace

bool spi_transaction(DioMasterHandle& handle, std::uint8_t device, const std::uint8_t* out,
                     std::uint8_t* in, std::uint64_t count) {
    const RegisterBlock bridge = registers_of(handle);
    if (!open_bus(bridge, spi_control_byte(handle))) return false;
    write_lines(handle, static_cast<std::uint8_t>(handle.line_shadow & ~(1u << device)));

    // One loop per transfer form, so that each byte costs only its own register accesses.
    if (in != nullptr) {
        const bool gate_write_per_byte = handle.mode_b == 0;
        for (std::uint64_t i = 0; i < count; ++i) {
            bridge.write(Register::SpiData, out != nullptr ? out[i] : 0x00);
            in[i] = receive_byte(bridge, gate_write_per_byte);
        }
    } else {
        send_bytes(bridge, out, count);
    }

    if (!close_bus(bridge)) return false;
    write_lines(handle, static_cast<std::uint8_t>(handle.line_shadow | kAllChipSelects));
    return true;
}

}  // namespace quorvel::link
