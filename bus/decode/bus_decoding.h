// The bus events of one run, decoded and kept for the files written from them: the bus units
// and the card's commands, and the bus recording (VCD) when it is wanted, on one timebase. The
// simulated bridge feeds it while a host program runs; a recording of the bridge calls feeds it
// through RecordedBus, with the recorded times.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "bus_observer.h"
#include "bus_timeline.h"
#include "bus_units.h"
#include "command_decoder.h"
#include "vcd_writer.h"

namespace ch367bus {

struct BusDecodingOptions {
    bool vcd = false;                // keep the events for a bus recording
    std::uint64_t vcd_limit = 0;     // the recording's largest size in bytes
    bool vcd_vector = false;         // the I/O lines also as one vector
    VcdTeller vcd_teller{};          // who writes the recording
    bool commands = false;           // decode the units into commands and export calls
};

class BusDecoding : public BusObserver {
public:
    // Called after each unit is decoded, with the commands known before it and the count of the
    // last of them then, so that a caller sees what the unit added (and folded into the last).
    using UnitDecoded = std::function<void(std::size_t known, std::uint64_t known_repeats)>;

    // `lines`, `io_lines`: the line register and the I/O lines when decoding starts.
    BusDecoding(BusDecodingOptions options, std::uint8_t lines, std::uint32_t io_lines,
                UnitDecoded unit_decoded = {});
    BusDecoding(const BusDecoding&) = delete;
    BusDecoding& operator=(const BusDecoding&) = delete;

    // Drops what was decoded and starts again.
    void restart(std::uint8_t lines, std::uint32_t io_lines);
    // Whether any event came since the start or since written() was last called.
    bool changed() const { return changed_; }
    void written() { changed_ = false; }

    bool records_vcd() const { return vcd_.has_value(); }
    CommandDecoder& decoder() { return decoder_; }
    // The decoding as if the traffic ended now (the decoding itself goes on), and the register
    // accesses no export call claimed in it.
    CommandDecoder ended() const;
    std::uint64_t unattributed(const CommandDecoder& ended) const {
        return units_.pending_accesses() + ended.unclaimed_accesses();
    }
    // The bus recording so far; false when it is not kept or the file cannot be written.
    bool write_vcd(const std::string& path) { return vcd_ && vcd_->write(path); }

    void device_opened(bool success) override;
    void device_closed() override;
    void register_accessed(bool is_write, std::uint8_t offset, std::uint8_t value) override;
    void access_refused() override;
    void transaction_begun(std::uint64_t sequence) override;
    void transaction_ended(bool success) override;
    void lines_written(std::uint8_t before, std::uint8_t after) override;
    void byte_shifted(std::uint8_t mosi, std::uint8_t miso) override;
    void io_lines_changed(std::uint32_t value, std::uint64_t delay) override;
    void pattern_played(std::uint64_t duration) override;
    void time_reached(std::uint64_t time) override;

private:
    void add_unit(const BusUnit& unit);

    BusDecodingOptions options_;
    UnitDecoded unit_decoded_;
    BusTimeline timeline_;
    std::optional<VcdRecorder> vcd_;
    CommandDecoder decoder_;
    BusUnitAssembler units_;
    bool changed_ = false;
};

}  // namespace ch367bus
