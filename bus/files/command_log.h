// The readable command log: one line per command the host sent to the card, e.g.
//   #2-5            t=1500        pg w start=16 words=2 data[8] = 01 00 ...   ; DioWriteCtrlMemory
// with the numbers of its transactions (as in the simulator's transaction log), the virtual
// time of its first chip select in the bus recording, and the export it is attributed to. A
// run of identical commands (a polling loop) is one line, with "(xN)" after the export.
#pragma once

#include <string>

#include "command_decoder.h"

namespace ch367bus {

bool write_command_log(const std::string& path, const CommandDecoder& decoder);

// The columns of a log line around its time, for other listings of the commands: the
// transactions ("#2-5", padded), and the command with its export and count ("TEXT ; EXPORT (xN)").
std::string command_transactions(const DecodedCommand& command);
std::string command_attributed(const DecodedCommand& command, const CommandDecoder& decoder);

}  // namespace ch367bus
