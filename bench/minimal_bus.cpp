#include "minimal_bus.h"

#include <chrono>
#include <thread>

#include "link/bridge.h"
#include "link/registers.h"

// Built twice (see minimal_bus.h): into the floor's shared library, and with
// BENCH_IN_EXECUTABLE into the benchmark program.
#ifdef BENCH_IN_EXECUTABLE
namespace bench::in_executable {
using minimal::Bus;
#else
namespace bench::minimal {
#endif

namespace {

using quorvel::link::Register;
namespace reg = quorvel::link;

constexpr std::uint64_t offset(Register r) { return static_cast<std::uint8_t>(r); }
constexpr std::uint8_t kControlByte = reg::kSpiEnable | reg::kSpiModeA | reg::kSpiModeB;

// write_lines under a name of its own: a Bus also finds minimal::write_lines (by argument-
// dependent lookup), so in the executable's build a call to write_lines would be ambiguous.
void set_lines(Bus& bus, std::uint8_t value) {
    CH367WriteIoByte(bus.io_base + offset(Register::Lines), value);
    bus.lines = value;
}

}  // namespace

void write_lines(Bus& bus, std::uint8_t value) { set_lines(bus, value); }

bool transaction(Bus& bus, std::uint8_t device, const std::uint8_t* out, std::uint8_t* in,
                 std::uint64_t count) {
    const std::uint64_t control = bus.io_base + offset(Register::BridgeControl);
    const std::uint64_t spi_control = bus.io_base + offset(Register::SpiControl);
    const std::uint64_t data = bus.io_base + offset(Register::SpiData);
    std::uint8_t v = 0;

    CH367ReadIoByte(spi_control, &v);
    CH367WriteIoByte(spi_control, kControlByte);
    CH367ReadIoByte(control, &v);
    if ((v & reg::kBusGate) == 0) CH367WriteIoByte(control, v | reg::kBusGate);
    CH367WriteIoByte(control, static_cast<std::uint8_t>((v & reg::kControlKeepMask) |
                                                        reg::kControlOpenBits));
    std::uint8_t gate = 0;
    CH367ReadIoByte(control, &gate);
    if ((gate & reg::kBusGate) != 0) return false;
    set_lines(bus, static_cast<std::uint8_t>(bus.lines & ~(1u << device)));

    if (in != nullptr) {
        for (std::uint64_t i = 0; i < count; ++i) {
            CH367WriteIoByte(data, out != nullptr ? out[i] : 0);
            CH367ReadIoByte(spi_control, &v);
            CH367WriteIoByte(spi_control, static_cast<std::uint8_t>(v & ~reg::kSpiReceiveDone));
            CH367ReadIoByte(control, &v);
            CH367ReadIoByte(data, &in[i]);
        }
    } else if (out != nullptr) {
        for (std::uint64_t i = 0; i < count; ++i) CH367WriteIoByte(data, out[i]);
    } else {
        for (std::uint64_t i = 0; i < count; ++i) CH367WriteIoByte(data, 0);
    }

    CH367ReadIoByte(spi_control, &v);
    CH367WriteIoByte(spi_control, static_cast<std::uint8_t>(v & reg::kSpiCloseKeepMask));
    CH367ReadIoByte(control, &v);
    CH367WriteIoByte(control, static_cast<std::uint8_t>((v & reg::kControlKeepMask) |
                                                        reg::kControlCloseBits));
    CH367ReadIoByte(control, &gate);
    if ((gate & reg::kBusGate) == 0) return false;
    set_lines(bus, static_cast<std::uint8_t>(bus.lines | reg::kAllChipSelects));
    return true;
}

#ifndef BENCH_IN_EXECUTABLE
void sleep_ms(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void replay(std::uint64_t io_base, const ch367sim_register_access* trace, std::size_t count) {
    std::uint8_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const ch367sim_register_access& a = trace[i];
        if (a.is_write != 0) {
            CH367WriteIoByte(io_base + a.offset, a.value);
        } else {
            CH367ReadIoByte(io_base + a.offset, &value);
        }
    }
}

#endif

}  // namespace
