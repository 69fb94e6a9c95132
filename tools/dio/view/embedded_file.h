// A file built into the program: its base name and its bytes.
#pragma once

#include <string_view>

namespace dio {

struct EmbeddedFile {
    std::string_view name;
    std::string_view content;
};

}  // namespace dio
