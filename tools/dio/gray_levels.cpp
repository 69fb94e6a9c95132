#include "gray_levels.h"

#include <algorithm>
#include <cmath>

#include "png_files.h"

namespace dio {

namespace {

constexpr std::size_t kChannels = 4;

std::uint8_t nearest_level(unsigned value) {
    return static_cast<std::uint8_t>((value * kMaxLevel + 127) / 255);
}

GrayImage quantised(const RgbaImage& image) {
    GrayImage gray{image.width, image.height, {}};
    gray.levels.reserve(std::size_t{image.width} * image.height);
    for (std::size_t i = 0; i < image.pixels.size(); i += kChannels) {
        gray.levels.push_back(nearest_level(brightness(&image.pixels[i])));
    }
    return gray;
}

GrayImage dithered(const RgbaImage& image) {
    const std::size_t width = image.width;
    GrayImage gray{image.width, image.height, std::vector<std::uint8_t>(width * image.height)};
    // Errors carried into the current and the next row, with a guard column at each end.
    std::vector<float> current(width + 2, 0.0F);
    std::vector<float> next(width + 2, 0.0F);
    for (std::size_t y = 0; y < image.height; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            const std::size_t pixel = y * width + x;
            const float wanted = brightness(&image.pixels[pixel * kChannels]) + current[x + 1];
            const float level = std::clamp(std::round(wanted / kLevelStep), 0.0F,
                                           static_cast<float>(kMaxLevel));
            gray.levels[pixel] = static_cast<std::uint8_t>(level);
            const float error = wanted - level * kLevelStep;
            current[x + 2] += error * 7 / 16;
            next[x] += error * 3 / 16;
            next[x + 1] += error * 5 / 16;
            next[x + 2] += error * 1 / 16;
        }
        std::swap(current, next);
        std::fill(next.begin(), next.end(), 0.0F);
    }
    return gray;
}

}  // namespace

std::uint8_t brightness(const std::uint8_t* rgba) { return pngfiles::gray_over_black(rgba); }

GrayImage to_gray_levels(const RgbaImage& image, Dither dither) {
    return dither == Dither::none ? quantised(image) : dithered(image);
}

GrayImage read_panel_picture(const std::string& png_file, Dither dither) {
    return to_gray_levels(read_png(png_file, kPanelPictureLimit), dither);
}

std::vector<std::uint8_t> pack_rows(const GrayImage& image, std::size_t row_bytes) {
    std::vector<std::uint8_t> packed(row_bytes * image.height, 0);
    for (std::size_t y = 0; y < image.height; ++y) {
        for (std::size_t x = 0; x < image.width; ++x) {
            const std::uint8_t level = image.levels[y * image.width + x];
            packed[y * row_bytes + x / 2] |= (x % 2 == 0) ? level << 4 : level;
        }
    }
    return packed;
}

}  // namespace dio
