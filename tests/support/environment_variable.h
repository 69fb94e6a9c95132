// Setting a variable of this process's environment in a test, the same way on Linux and Windows.
#pragma once

#include <cstdlib>

// Sets NAME to VALUE; an empty VALUE removes it.
inline void set_environment_variable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    if (*value != '\0') {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
#endif
}
