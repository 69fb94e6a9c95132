#include "link/diagnostic_print.h"

#include <cstdarg>
#include <cstdio>

namespace quorvel::link {

int diagnostic_print(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vprintf(format, arguments);
    va_end(arguments);
    return written;
}

}  // namespace quorvel::link
