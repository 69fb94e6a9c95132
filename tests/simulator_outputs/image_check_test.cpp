// The image check: the panel against reference pictures, and the difference picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ch367sim.h"
#include "png_files.h"
#include "host_run.h"
#include "host_workload.h"
#include "simulated_card.h"

namespace {

constexpr unsigned kWidth = 256;
constexpr unsigned kHeight = 64;

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
};

Picture read_rgb(const std::filesystem::path& path) {
    pngfiles::RgbaPicture rgba;
    if (pngfiles::read_png(path.string().c_str(), nullptr, rgba) != pngfiles::ReadResult::read) {
        return {};
    }
    Picture picture{rgba.width, rgba.height, {}};
    for (std::size_t at = 0; at < rgba.rgba.size(); at += 4) {
        picture.rgb.insert(picture.rgb.end(), &rgba.rgba[at], &rgba.rgba[at + 3]);
    }
    return picture;
}

// A reference in colour, as another tool might save it: each gray value moved by `offset`.
void write_rgb_reference(const std::filesystem::path& path, int offset) {
    std::vector<std::uint8_t> rgb;
    for (unsigned y = 0; y < kHeight; ++y) {
        for (unsigned x = 0; x < kWidth; ++x) {
            const int gray = std::clamp(static_cast<int>(panel_level(x, y) * 17) + offset, 0, 255);
            rgb.insert(rgb.end(), 3, static_cast<std::uint8_t>(gray));
        }
    }
    ASSERT_TRUE(pngfiles::write_png(path.string().c_str(), kWidth, kHeight, 3, rgb.data()));
}

class ImageCheck : public ::testing::Test {
protected:
    void SetUp() override { run_on_card(run_host_workload); }

    // Draws one more pixel on the panel of the last run, without resetting the simulator.
    static void draw_pixel(std::uint8_t x, std::uint8_t y, std::uint8_t level) {
        DioMasterHandle* card = nullptr;
        std::int16_t status = 0;
        DioInitialize(nullptr, &card, &status);
        DioWriteOLEDPixelPairImm(card, x / 2, y, static_cast<std::uint8_t>(level << 4 | panel_level(x + 1, y)));
        DioClose(card);
    }

    int compare(const std::filesystem::path& reference, const char* diff = nullptr) {
        return ch367sim_compare_display_png(reference.string().c_str(), diff, &differing);
    }

    std::uint64_t differing = 99;
};

TEST_F(ImageCheck, ThePanelPictureWrittenAtCloseMatchesThePanel) {
    EXPECT_EQ(compare(output_file("panel.png")), 1);
    EXPECT_EQ(differing, 0u);
}

TEST_F(ImageCheck, AReferenceAtAnyScaleMatches) {
    const auto reference = output_file("scaled.png");
    ASSERT_EQ(ch367sim_write_display_png(reference.string().c_str(), 3), 1);
    EXPECT_EQ(compare(reference), 1);
}

TEST_F(ImageCheck, ColourReferencesMatchWithinHalfAGrayLevel) {
    const auto reference = output_file("rgb.png");
    write_rgb_reference(reference, 8);
    EXPECT_EQ(compare(reference), 1);
    write_rgb_reference(reference, -8);
    EXPECT_EQ(compare(reference), 1);
    write_rgb_reference(reference, 9);  // every black pixel now reads as level 1
    EXPECT_EQ(compare(reference), 0);
}

TEST_F(ImageCheck, CountsDifferingPixelsAndMarksThemRedInTheDifferencePicture) {
    const auto reference = output_file("reference.png");
    ASSERT_EQ(ch367sim_write_display_png(reference.string().c_str(), 2), 1);
    ASSERT_EQ(panel_level(100, 30), 0);
    draw_pixel(100, 30, 12);

    const auto diff = output_file("diff.png");
    EXPECT_EQ(compare(reference, diff.string().c_str()), 0);
    EXPECT_EQ(differing, 1u);
    const Picture picture = read_rgb(diff);
    ASSERT_EQ(picture.width, 2 * kWidth);
    ASSERT_EQ(picture.height, 2 * kHeight);
    const auto at = [&](unsigned x, unsigned y) {
        const std::size_t i = (std::size_t{y} * picture.width + x) * 3;
        return std::vector<std::uint8_t>(picture.rgb.begin() + i, picture.rgb.begin() + i + 3);
    };
    EXPECT_EQ(at(201, 61), (std::vector<std::uint8_t>{0xFF, 0, 0}));  // panel pixel (100, 30)
    EXPECT_EQ(at(0, 0), (std::vector<std::uint8_t>{0, 0, 0}));
}

TEST_F(ImageCheck, RefusesReferencesItCannotCompare) {
    const auto wrong_size = output_file("wrong.png");
    const std::vector<std::uint8_t> gray((kWidth - 1) * kHeight);
    ASSERT_TRUE(pngfiles::write_png(wrong_size.string().c_str(), kWidth - 1, kHeight, 1, gray.data()));
    EXPECT_EQ(compare(wrong_size), -1);

    const auto not_png = output_file("text.png");
    std::ofstream(not_png) << "not a picture";
    EXPECT_EQ(compare(not_png), -1);
    EXPECT_EQ(compare(output_file("missing.png")), -1);
    EXPECT_EQ(compare(output_file("panel.png"), "/no/such/directory/diff.png"), -1);
}

}  // namespace
