// The simulator's output files for a host program: decodes the bus while any output is
// requested and writes the requested files when the host closes the bridge and again, if
// anything happened since, when the process exits.
#pragma once

#include <cstdint>

#include "bus_decoding.h"
#include "ch367sim.h"
#include "environment.h"

namespace ch367sim {

class OutputSet final : public ch367bus::BusDecoding {
public:
    // `lines`, `io_lines`: the line register and the I/O lines when observing starts. Registers
    // the exit hook. With `card`, each command decoded also goes to the card's recent commands.
    OutputSet(OutputRequest request, std::uint8_t lines, std::uint32_t io_lines,
              ch367sim_card_state* card = nullptr);
    // The exit hook forgets a set that goes before the process ends (tests make cards of their
    // own), so it never writes through a dead one.
    ~OutputSet();
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // The pattern generator's events are wanted: the bus recording shows the I/O lines.
    bool records_io_lines() const { return records_vcd(); }
    // Writes every requested file; false when one of them could not be written.
    bool write_files();
    void write_files_if_changed();

    void device_closed() override;

private:
    void create_directories() const;
    bool decodes() const { return decodes(request_, card_); }
    static bool decodes(const OutputRequest& request, const ch367sim_card_state* card) {
        return !request.log.empty() || !request.cost.empty() || card != nullptr;
    }
    void unit_decoded(std::size_t known, std::uint64_t known_repeats);
    void publish(const ch367bus::DecodedCommand& command);
    void note_log_lines(std::size_t known);

    OutputRequest request_;
    ch367sim_card_state* card_ = nullptr;
    std::uint64_t log_size_ = 0;  // bytes the command log's lines take so far, about
    bool log_size_reported_ = false;
};

}  // namespace ch367sim
