// An export of the card library looked up by name, as a host program that loads the library at
// run time finds it (dlsym on Linux, GetProcAddress on Windows).
#pragma once

// The export's address, or null when the library exports no such name.
const void* library_export(const char* name);
