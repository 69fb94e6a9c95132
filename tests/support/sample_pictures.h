// Test helper: the pictures that tests/samples/make_bitmaps.sh makes with ImageMagick at build
// time, with ImageMagick's own decoding of each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_bytes.h"

struct SamplePicture {
    std::string bmp_path;
    int width;
    int height;
    std::vector<std::uint8_t> levels;  // gray level 0..15 of each pixel, top row first

    std::uint8_t level(int x, int y) const { return levels[static_cast<std::size_t>(y * width + x)]; }
};

// `name` is a picture of make_bitmaps.sh, e.g. "stripes-256x64".
inline SamplePicture sample_picture(const std::string& name, int width, int height) {
    const std::string base = std::string(QUORVEL_SAMPLES_DIR) + "/" + name;
    SamplePicture picture{base + ".bmp", width, height, read_file(base + ".gray")};
    for (auto& level : picture.levels) level = static_cast<std::uint8_t>(level / 17);
    return picture;
}
