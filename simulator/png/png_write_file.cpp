#include "png_files.h"
#include "replacing_file.h"

namespace pngfiles {

bool write_png(const char* path, unsigned width, unsigned height, unsigned channels,
               const std::uint8_t* pixels) {
    if (path == nullptr) return false;
    outputfiles::ReplacingFile file(path);  // no half-written picture left behind
    return file.stream() != nullptr && write_png(file.stream(), width, height, channels, pixels) &&
           file.commit();
}

}  // namespace pngfiles
