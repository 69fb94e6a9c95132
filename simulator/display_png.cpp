#include "display_png.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <vector>

namespace ch367sim {

namespace {


// Fixed compression settings: together with filter "none" on every row they make the bytes
// depend on the picture alone.
constexpr int kCompressionLevel = 9;
constexpr int kCompressionMemLevel = 8;
constexpr int kCompressionWindowBits = 15;
constexpr png_size_t kCompressionBufferBytes = 8192;  // also the size of each IDAT chunk

void render_row(const std::uint8_t* memory, bool on, unsigned y, unsigned scale, png_bytep out) {
    for (unsigned x = 0; x < kPanelWidth; ++x) {
        const unsigned level = panel_level(memory, on, x, y);
        for (unsigned i = 0; i < scale; ++i) *out++ = static_cast<png_byte>(level * kGrayStep);
    }
}

// Our own write callbacks, so no FILE pointer crosses into libpng (which may use another C
// runtime than ours).
void write_bytes(png_structp png, png_bytep data, png_size_t length) {
    auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, length, file) != length) png_error(png, "write failed");
}

void flush_file(png_structp png) {
    std::fflush(static_cast<std::FILE*>(png_get_io_ptr(png)));
}

// libpng reports errors by jumping back to the setjmp below; nothing in this frame needs
// destroying, and the row buffer belongs to the caller.
bool write_png_stream(std::FILE* file, const std::uint8_t* memory, bool on, unsigned scale,
                      png_bytep row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, file, write_bytes, flush_file);
    png_set_compression_level(png, kCompressionLevel);
    png_set_compression_mem_level(png, kCompressionMemLevel);
    png_set_compression_window_bits(png, kCompressionWindowBits);
    png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
    png_set_compression_buffer_size(png, kCompressionBufferBytes);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, kPanelWidth * scale, kPanelHeight * scale, 8, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (unsigned y = 0; y < kPanelHeight; ++y) {
        render_row(memory, on, y, scale, row);
        for (unsigned i = 0; i < scale; ++i) png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// The whole file in memory: libpng then never sees a FILE pointer of ours.
bool read_file(const char* path, std::vector<png_byte>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    png_byte buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

bool write_file(const char* path, const void* bytes, std::size_t size) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    std::remove(path);
    return false;
}

}  // namespace

bool read_gray_png(const char* path, GrayPicture& picture) {
    std::vector<png_byte> file;
    if (path == nullptr || !read_file(path, file)) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) return false;
    image.format = PNG_FORMAT_GRAY;
    std::vector<std::uint8_t> gray(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, gray.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return false;
    }
    picture = {image.width, image.height, std::move(gray)};
    return true;
}

bool write_rgb_png(const char* path, unsigned width, unsigned height, const std::uint8_t* rgb) {
    if (path == nullptr || rgb == nullptr) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (png_image_write_to_memory(&image, nullptr, &size, 0, rgb, 0, nullptr) == 0) return false;
    std::vector<png_byte> encoded(size);
    if (png_image_write_to_memory(&image, encoded.data(), &size, 0, rgb, 0, nullptr) == 0) {
        return false;
    }
    return write_file(path, encoded.data(), size);
}

bool write_display_png(const char* path, const std::uint8_t* memory, bool on, unsigned scale) {
    if (path == nullptr || memory == nullptr || scale > kMaxPngScale) return false;
    if (scale == 0) scale = 1;
    std::vector<png_byte> row(std::size_t{kPanelWidth} * scale);
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool written = write_png_stream(file, memory, on, scale, row.data());
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    std::remove(path);  // no half-written picture left behind
    return false;
}

}  // namespace ch367sim
