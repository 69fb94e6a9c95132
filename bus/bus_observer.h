// What happens on the bridge's bus, as the simulated bridge tells it while the host drives it and
// as RecordedBus reads it from a recording of the bridge calls. The bus recording, the command
// log and the bus cost are built from these events. With no observer installed each event costs
// the simulated bridge one untaken branch.
#pragma once

#include <cstdint>

namespace ch367bus {

class BusObserver {
public:
    virtual ~BusObserver() = default;

    // CH367OpenDevice (success false when an injected fault made it fail) and CH367CloseDevice.
    virtual void device_opened(bool success) = 0;
    virtual void device_closed() = 0;
    // Every CH367ReadIoByte / CH367WriteIoByte within the register block, before its effect.
    virtual void register_accessed(bool is_write, std::uint8_t offset, std::uint8_t value) = 0;
    // A CH367ReadIoByte / CH367WriteIoByte refused because the bridge was closed.
    virtual void access_refused() = 0;
    // The bus gate opened (sequence: the transaction's number in the simulator's log) and closed;
    // success is false when an injected gate fault kept the gate where it was.
    virtual void transaction_begun(std::uint64_t sequence) = 0;
    virtual void transaction_ended(bool success) = 0;
    // The line register took a new value (from the host, or from the control API).
    virtual void lines_written(std::uint8_t before, std::uint8_t after) = 0;
    // The SPI master clocked one byte out (mosi) and in (miso) while the bus was open.
    virtual void byte_shifted(std::uint8_t mosi, std::uint8_t miso) = 0;

    // From the pattern generator, when installed there: the I/O lines took `value`, `delay` ns
    // into the time a run is playing now (0 when a command set them), and then the run played
    // `duration` ns (all the samples since it was last brought up to date).
    virtual void io_lines_changed(std::uint32_t /*value*/, std::uint64_t /*delay*/) {}
    virtual void pattern_played(std::uint64_t /*duration*/) {}

    // From a recording of the bridge calls: the next call began at `time` ns on the bus's
    // timebase (the simulated bridge, which has no such times, never calls it).
    virtual void time_reached(std::uint64_t /*time*/) {}
};

}  // namespace ch367bus
