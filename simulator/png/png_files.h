// PNG files for the simulator and dio, through well-kept libraries on both targets: written with
// stb_image_write (the same bytes on Linux and Windows; libpng's writer where stb is not
// installed), read with libpng on Linux and the Windows Imaging Component on Windows. No PNG
// format code of our own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace pngfiles {

// An 8-bit picture: R, G, B, A per pixel, rows top first, no padding.
struct RgbaPicture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> rgba;
};

enum class ReadResult {
    read,          // the picture is in `picture`
    no_file,       // the file can't be opened or read
    not_png,       // no PNG, or a damaged one
    size_refused,  // the size check said no; only `width` and `height` are set
};

// Told the picture's width and height before a pixel is decoded; false stops the decoding, so a
// picture of the wrong size costs no more than its header.
using SizeCheck = std::function<bool(unsigned width, unsigned height)>;

// Decodes the PNG in `bytes` (any colour type and bit depth; 16-bit samples reduced to 8 bits,
// palette and gray expanded to RGBA). The size comes from the file's header before the decoder
// sees the file: some decoders (Wine's among them) decode the whole picture as they open it.
ReadResult decode_png(const std::uint8_t* bytes, std::size_t size, const SizeCheck& accept,
                      RgbaPicture& picture);
// The platform decoder behind decode_png: libpng or the Windows Imaging Component.
ReadResult decode_png_pixels(const std::uint8_t* bytes, std::size_t size, RgbaPicture& picture);
// The same from a file.
ReadResult read_png(const char* path, const SizeCheck& accept, RgbaPicture& picture);

// Writes `pixels` (`channels` bytes per pixel, 1 gray, 3 RGB or 4 RGBA, rows top first) as an
// 8-bit PNG holding only the image, so the same picture always gives the same bytes. The file
// appears only when whole (see ReplacingFile). Returns false, leaving an earlier file as it was,
// when the file can't be written or the picture is empty.
bool write_png(const char* path, unsigned width, unsigned height, unsigned channels,
               const std::uint8_t* pixels);
// The same into an open binary stream, which the caller closes (and removes on failure).
bool write_png(std::FILE* file, unsigned width, unsigned height, unsigned channels,
               const std::uint8_t* pixels);
// The library that writes PNG files in this build, "stb_image_write" or "libpng"; null when the
// build has none and every write fails.
const char* png_writer();

// Brightness 0..255 of an RGBA pixel seen on black: luma (ITU-R BT.601 weights) scaled by alpha.
inline std::uint8_t gray_over_black(const std::uint8_t* rgba) {
    const unsigned luma = (299u * rgba[0] + 587u * rgba[1] + 114u * rgba[2] + 500u) / 1000u;
    return static_cast<std::uint8_t>((luma * rgba[3] + 127u) / 255u);
}

}  // namespace pngfiles
