#include "terminal.h"

#include <unistd.h>

namespace dio {

bool stdout_is_terminal() { return isatty(STDOUT_FILENO) != 0; }
bool stderr_is_terminal() { return isatty(STDERR_FILENO) != 0; }

}  // namespace dio
