// Which output files a host program asked for, through environment variables that only the
// simulator reads:
//   CH367SIM_OUTPUT_DIR   a directory: all five files below under their default names
//   CH367SIM_PNG          picture of the display panel (panel.png)
//   CH367SIM_PNG_SCALE    pixels per panel pixel in that picture, 1..64 (default 1)
//   CH367SIM_VCD          bus recording as a value change dump (bus.vcd)
//   CH367SIM_LOG          readable command log (commands.log)
//   CH367SIM_STATE        dump of the final device state (state.txt)
//   CH367SIM_COST         bus cost by export (cost.txt)
// A variable naming a file overrides the directory's default for that file; an empty one
// turns that file off.
#pragma once

#include <string>

namespace ch367sim {

struct OutputRequest {
    std::string png;
    unsigned png_scale = 1;
    std::string vcd;
    std::string log;
    std::string state;
    std::string cost;

    bool any() const {
        return !png.empty() || !vcd.empty() || !log.empty() || !state.empty() || !cost.empty();
    }
};

OutputRequest output_request_from_environment();

}  // namespace ch367sim
