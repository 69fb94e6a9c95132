// Whether the process's standard streams are terminals.
#pragma once

namespace dio {

bool stdout_is_terminal();
bool stderr_is_terminal();

}  // namespace dio
