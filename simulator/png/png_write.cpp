// Writing through stb_image_write: its own deflate, with no time or text chunks, so the bytes
// depend on the picture alone and are the same in every build.
#include <climits>
#include <cstdio>

#include "png_files.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace pngfiles {

namespace {

struct Output {
    std::FILE* file;
    bool ok;
};

void write_to_file(void* context, void* data, int size) {
    auto* output = static_cast<Output*>(context);
    output->ok = output->ok &&
                 std::fwrite(data, 1, static_cast<std::size_t>(size), output->file) ==
                     static_cast<std::size_t>(size);
}

}  // namespace

const char* png_writer() { return "stb_image_write"; }

bool write_png(std::FILE* file, unsigned width, unsigned height, unsigned channels,
               const std::uint8_t* pixels) {
    if (file == nullptr || pixels == nullptr || width == 0 || height == 0 || channels == 0 ||
        channels > 4 || width > INT_MAX / channels || height > INT_MAX) {
        return false;
    }
    Output output{file, true};
    const int stride = static_cast<int>(width * channels);
    const bool encoded = stbi_write_png_to_func(write_to_file, &output, static_cast<int>(width),
                                                static_cast<int>(height), static_cast<int>(channels),
                                                pixels, stride) != 0;
    return encoded && output.ok;
}

}  // namespace pngfiles
