// The process's standard streams: whether they are terminals, and binary mode for the files
// dio reads from and writes to them ("-").
#pragma once

namespace dio {

bool stdout_is_terminal();
bool stderr_is_terminal();
// The standard streams carry bytes unchanged (only Windows changes them otherwise).
void use_binary_standard_streams();

}  // namespace dio
