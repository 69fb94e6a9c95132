#include "display/bmp_header.h"

#include "display/little_endian_reader.h"
#include "link/diagnostic_print.h"

namespace quorvel::display {

std::optional<BmpHeader> read_bmp_header(std::span<const std::uint8_t> file) {
    LittleEndianReader reader(file);
    const BmpHeader header{
        .signature = {reader.u8(0), reader.u8(1)},
        .file_size = reader.u32(2),
        .reserved = reader.u32(6),
        .data_offset = reader.u32(10),
        .info_header_size = reader.u32(14),
        .width = reader.i32(18),
        .height = reader.i32(22),
        .planes = reader.u16(26),
        .bits_per_pixel = reader.u16(28),
        .compression = reader.u32(30),
        .image_size = reader.u32(34),
        .x_pixels_per_m = reader.i32(38),
        .y_pixels_per_m = reader.i32(42),
        .colors_used = reader.u32(46),
        .important_colors = reader.u32(50),
    };
    if (!reader.ok()) return std::nullopt;
    return header;
}

std::int64_t bmp_row_size(const BmpHeader& header) {
    const std::int64_t bits = std::int64_t{header.bits_per_pixel} * header.width;
    return ((bits + 31) >> 5) * 4;
}

void print_bmp_header(const char* name, const BmpHeader& header, std::int32_t row_size) {
    using link::diagnostic_print;
    // The unsigned fields printed with %d show as the signed 32-bit values of their bits.
    const auto as_signed = [](std::uint32_t value) { return static_cast<int>(value); };
    const auto byte = [](std::uint32_t value, int index) { return (value >> (8 * index)) & 0xFFu; };

    diagnostic_print("FILE INFO: \n");
    diagnostic_print("NAME: %s\n", name);
    diagnostic_print("signature: %c%c\n", header.signature[0], header.signature[1]);
    diagnostic_print("%x %x\n", unsigned{header.signature[0]}, unsigned{header.signature[1]});
    diagnostic_print("file_size: %d\n", as_signed(header.file_size));
    diagnostic_print("%x %x %x %x\n", byte(header.file_size, 0), byte(header.file_size, 1),
                     byte(header.file_size, 2), byte(header.file_size, 3));
    diagnostic_print("reserved: %x\n", header.reserved);
    diagnostic_print("data_offset: %x\n", header.data_offset);
    diagnostic_print("infoheader size: %d\n", as_signed(header.info_header_size));
    diagnostic_print("width: %d\n", header.width);
    diagnostic_print("height: %d\n", header.height);
    diagnostic_print("planes: %d\n", header.planes);
    diagnostic_print("bits_per_pixel: %d\n", header.bits_per_pixel);
    diagnostic_print("compression: %d\n", as_signed(header.compression));
    diagnostic_print("image_size: %d\n", as_signed(header.image_size));
    diagnostic_print("x_pixels_per_m: %d\n", header.x_pixels_per_m);
    diagnostic_print("y_pixels_per_m: %d\n", header.y_pixels_per_m);
    diagnostic_print("colors_used: %d\n", as_signed(header.colors_used));
    diagnostic_print("important_colors: %d\n", as_signed(header.important_colors));
    diagnostic_print("computed row size: %d\n", row_size);
}

}  // namespace quorvel::display
