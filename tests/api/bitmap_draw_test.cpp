// Drawing loaded bitmaps on the simulated display and into the frame buffer.
#include <cstdint>
#include <functional>
#include <vector>

#include "bmp_file.h"
#include "display_traffic.h"
#include "sample_pictures.h"
#include "simulated_card.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A bitmap loaded from the given file bytes for the length of a scope.
class LoadedBitmap {
public:
    explicit LoadedBitmap(const Bytes& file_bytes) {
        const TempFile file("draw.bmp", file_bytes);
        testing::internal::CaptureStdout();
        std::int16_t status = DIO_OK;
        bitmap_ = DioOpenBMP(nullptr, file.path().c_str(), &status);
        testing::internal::GetCapturedStdout();
        EXPECT_NE(bitmap_, nullptr);
    }
    ~LoadedBitmap() { DioCloseBMP(nullptr, &bitmap_); }
    LoadedBitmap(const LoadedBitmap&) = delete;
    LoadedBitmap& operator=(const LoadedBitmap&) = delete;

    const DioBitmap* get() const { return bitmap_; }

private:
    DioBitmap* bitmap_ = nullptr;
};

class BitmapDrawing : public SimulatedCard {
protected:
    void SetUp() override {
        SimulatedCard::SetUp();
        DioSetupOLED(card, &status);
        ch367sim_clear_log();
    }

    // Fills the whole panel with one byte value.
    void FillPanel(std::uint8_t value) {
        const Bytes screen(8192, value);
        DioWriteOLEDScreenArrImm(card, screen.data());
    }
};

// Both ways a picture reaches the panel at (0, 0): straight, and through the frame buffer.
const std::function<void(DioMasterHandle*, const DioBitmap*)> kDrawAtOrigin[] = {
    [](DioMasterHandle* c, const DioBitmap* b) { DioWriteOLEDAreaBMPImm(c, 0, 0, b); },
    [](DioMasterHandle* c, const DioBitmap* b) {
        DioWriteOLEDAreaBMPBuff(c, DIO_BLEND_REPLACE, 0, 0, b);
        DioSendOLEDBuff(c);
    },
};

TEST_F(BitmapDrawing, A256By64PictureFillsThePanelAsImageMagickDecodesIt) {
    const SamplePicture picture = sample_picture("stripes-256x64", 256, 64);
    const LoadedBitmap bitmap(read_file(picture.bmp_path));
    for (const auto& draw : kDrawAtOrigin) {
        FillPanel(0xFF);
        draw(card, bitmap.get());
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 256; ++x)
                ASSERT_EQ(panel_level(x, y), picture.level(x, y)) << "pixel (" << x << ", " << y << ")";
    }
}

TEST_F(BitmapDrawing, A100PixelWidePictureDrawsItsRowPaddingToo) {
    const SamplePicture picture = sample_picture("stripes-100x64", 100, 64);
    const LoadedBitmap bitmap(read_file(picture.bmp_path));
    FillPanel(0xFF);
    DioWriteOLEDAreaBMPImm(card, 0, 0, bitmap.get());
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(panel_level(x, y), picture.level(x, y)) << "pixel (" << x << ", " << y << ")";
        // Row size 52: 104 pixels, the last four from the zero padding; the rest is untouched.
        for (int x = 100; x < 104; ++x) ASSERT_EQ(panel_level(x, y), 0) << "pixel (" << x << ", " << y << ")";
        for (int x = 104; x < 256; ++x) ASSERT_EQ(panel_level(x, y), 15) << "pixel (" << x << ", " << y << ")";
    }
}

TEST_F(BitmapDrawing, BytesAfterThePixelDataEndUpInRowZero) {
    const SamplePicture picture = sample_picture("stripes-256x64", 256, 64);
    Bytes file = read_file(picture.bmp_path);
    file.insert(file.end(), 128, 0xF0);  // one row's worth of trailing bytes
    const LoadedBitmap bitmap(file);
    DioWriteOLEDAreaBMPImm(card, 0, 0, bitmap.get());
    for (int x = 0; x < 256; ++x) ASSERT_EQ(panel_level(x, 0), x % 2 == 0 ? 15 : 0) << "pixel " << x;
    // Every row moves down by one; the picture's bottom row falls off.
    for (int y = 1; y < 64; ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(panel_level(x, y), picture.level(x, y - 1)) << "pixel (" << x << ", " << y << ")";
}

// counting_bytes values from `first` on, `count` of them.
Bytes Counting(std::size_t first, std::size_t count) {
    return counting_bytes(count, static_cast<std::uint8_t>(first));
}

TEST_F(BitmapDrawing, RunsTakeTheLowEightBitsOfRowSizeAndHeight) {
    struct Case {
        const char* name;
        BmpFile file;
        std::uint8_t x;
        std::uint8_t y;
        std::vector<DisplayWrite> expected;
    };
    const Case cases[] = {
        // Row size 300: runs of 44 bytes that start 44 bytes apart in the rows (top row first:
        // the file's second row, bytes 300.. of its pixels).
        {"row size 300", BmpFile(600, 2, counting_bytes(600)), 0, 10,
         {{10, 0, Counting(300, 44)}, {11, 0, Counting(344, 44)}}},
        {"height 257", BmpFile(8, 257, counting_bytes(4 * 257)), 2, 5, {{5, 1, Counting(1024, 4)}}},
        {"row size 256", BmpFile(512, 1, counting_bytes(256)), 0, 0, {{0, 0, {}}}},
        {"height 0", BmpFile(8, 0), 0, 0, {}},
        // Odd x: each run moves by one nibble; rows are 8-bit, so row 255 is followed by row 0.
        {"odd x past row 255", BmpFile(8, 2, counting_bytes(8)), 3, 255,
         {{255, 1, {0x00, 0x40, 0x50, 0x60, 0x70}}, {0, 1, {0x00, 0x00, 0x10, 0x20, 0x30}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadedBitmap bitmap(c.file.bytes());
        ch367sim_clear_log();
        DioWriteOLEDAreaBMPImm(card, c.x, c.y, bitmap.get());
        EXPECT_EQ(display_writes(), c.expected);
    }
}

TEST_F(BitmapDrawing, BufferedDrawingBlendsByMode) {
    struct Case {
        std::int32_t mode;
        std::uint8_t result;  // of 0x5A drawn on 0x3C
    };
    const Case cases[] = {
        {DIO_BLEND_REPLACE, 0x5A}, {DIO_BLEND_OR, 0x7E},  {DIO_BLEND_MAX, 0x5C},
        {DIO_BLEND_XOR, 0x66},     {DIO_BLEND_NONZERO_REPLACE, 0x5A}, {5, 0x3C},
    };
    const LoadedBitmap bitmap(BmpFile(8, 1, Bytes(4, 0x5A)).bytes());
    const Bytes background(8192, 0x3C);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        DioWriteOLEDScreenArrBuff(card, DIO_BLEND_REPLACE, background.data());
        DioWriteOLEDAreaBMPBuff(card, c.mode, 2, 1, bitmap.get());
        const Bytes image = frame_buffer(card);
        EXPECT_EQ(image[128 + 0], 0x3C);
        EXPECT_EQ(Bytes(image.begin() + 128 + 1, image.begin() + 128 + 5), Bytes(4, c.result));
        EXPECT_EQ(image[128 + 5], 0x3C);
    }
}

TEST_F(BitmapDrawing, NothingIsDrawnWithoutABitmapOrAnOpenCard) {
    const LoadedBitmap bitmap(BmpFile(8, 1, Bytes(4, 0x5A)).bytes());
    const ch367sim_counters before = ch367sim_get_counters();
    DioWriteOLEDAreaBMPImm(card, 0, 0, nullptr);
    DioWriteOLEDAreaBMPBuff(card, DIO_BLEND_REPLACE, 0, 0, nullptr);
    DioWriteOLEDAreaBMPImm(nullptr, 0, 0, bitmap.get());
    DioWriteOLEDAreaBMPBuff(nullptr, DIO_BLEND_REPLACE, 0, 0, bitmap.get());

    DioMasterHandle* not_open = nullptr;
    ch367sim_fail_open(1);
    DioInitialize(nullptr, &not_open, &status);
    ch367sim_fail_open(0);
    DioWriteOLEDAreaBMPImm(not_open, 0, 0, bitmap.get());
    DioWriteOLEDAreaBMPBuff(not_open, DIO_BLEND_REPLACE, 0, 0, bitmap.get());
    DioClose(not_open);

    const ch367sim_counters after = ch367sim_get_counters();
    EXPECT_EQ(after.register_reads, before.register_reads);
    EXPECT_EQ(after.register_writes, before.register_writes);
    EXPECT_EQ(frame_buffer(card), Bytes(8192, 0));
}

}  // namespace
