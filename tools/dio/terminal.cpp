#include "terminal.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace dio {

#ifdef _WIN32
bool stdout_is_terminal() { return _isatty(_fileno(stdout)) != 0; }
bool stderr_is_terminal() { return _isatty(_fileno(stderr)) != 0; }
// Windows opens them in text mode, which would turn "\n" into "\r\n" in a memory dump and stop
// reading a binary file at its first 0x1A. Messages on standard error then end in "\n" too, as
// on Linux.
void use_binary_standard_streams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}
#else
bool stdout_is_terminal() { return isatty(STDOUT_FILENO) != 0; }
bool stderr_is_terminal() { return isatty(STDERR_FILENO) != 0; }
void use_binary_standard_streams() {}
#endif

}  // namespace dio
