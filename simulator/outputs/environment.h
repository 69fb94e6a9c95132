// Which output files a host program asked for, through environment variables that only the
// simulator reads:
//   CH367SIM_OUTPUT_DIR   a directory: all six files below under their default names
//   CH367SIM_PNG          picture of the display panel (panel.png)
//   CH367SIM_PNG_SCALE    pixels per panel pixel in that picture, 1..64 (default 1)
//   CH367SIM_VCD          bus recording as a value change dump (bus.vcd)
//   CH367SIM_VCD_LIMIT    largest size of that recording in bytes (default 1 GiB)
//   CH367SIM_VCD_VECTOR   1: the recording also has the I/O lines as one 32-bit vector
//   CH367SIM_LOG          readable command log (commands.log)
//   CH367SIM_STATE        dump of the final device state (state.txt)
//   CH367SIM_COST         bus cost by export (cost.txt)
//   CH367SIM_TRACE        recording of every driver call, as the recorder writes it (bus.trace)
// A variable naming a file overrides the directory's default for that file; an empty one
// turns that file off. Relative paths are made absolute when the variables are read, so a
// program that changes directory later still gets its files where it asked for them.
#pragma once

#include <cstdint>
#include <string>

#include "vcd_writer.h"

namespace ch367sim {

inline constexpr std::uint64_t kDefaultVcdLimit = ch367bus::VcdRecorder::kDefaultLimit;

struct OutputRequest {
    std::string png;
    unsigned png_scale = 1;
    std::string vcd;
    std::uint64_t vcd_limit = kDefaultVcdLimit;
    bool vcd_vector = false;
    std::string log;
    std::string state;
    std::string cost;
    std::string trace;  // written by the driver's functions themselves, not from the bus events

    // Any file written from the bus events.
    bool any() const {
        return !png.empty() || !vcd.empty() || !log.empty() || !state.empty() || !cost.empty();
    }
};

OutputRequest output_request_from_environment();

}  // namespace ch367sim
