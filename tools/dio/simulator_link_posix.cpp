#include <dlfcn.h>

#include <cstdlib>

#include "simulator_link.h"

namespace dio {

void set_card_path(const std::string& path) { setenv("CH367SIM_CARD", path.c_str(), 1); }

// Both libraries are linked with dio and loaded with it.
void load_card_library() {}

// The bridge driver library is loaded with the card library, in the global scope.
void* find_simulator_function(const char* name) { return dlsym(RTLD_DEFAULT, name); }

}  // namespace dio
