// Bringing the display up, and the row fill with its whole-screen clear.
#include <array>

#include "display/display_link.h"
#include "display/frame_buffer.h"
#include "display/geometry.h"
#include "link/delay.h"
#include "link/register_io.h"

using namespace quorvel::display;
using quorvel::link::usable;

namespace {

// Sent in one transaction in command mode after the reset pulse. The display is switched on
// (kDisplayOn) only once its memory has been cleared, so no stale picture flashes up.
constexpr std::array<std::uint8_t, 21> kInitSequence = {
    0xAE,        // display off
    0x40,        // display start line 0
    0xA0,        // segment re-map: column 0 on the left
    0xC0,        // common scan direction: row 0 at the top
    0x81, 0x80,  // contrast 0x80
    0xA8, 0x3F,  // multiplex ratio: 64 rows
    0xAD, 0x81,  // DC-DC converter setting
    0xD5, 0x50,  // display clock divide ratio and oscillator frequency
    0xD3, 0x00,  // display offset 0
    0xD9, 0x22,  // pre-charge and discharge periods
    0xDB, 0x35,  // VCOM deselect level
    0xDC, 0x35,  // VSEGM level
    0x30,        // discharge VSL level
};
constexpr std::uint8_t kDisplayOn = 0xAF;

// Length of the reset pulse and of the settle time after it.
constexpr std::int64_t kResetPulseMs = 1;

// One row of 128 copies of `value`, one transaction per byte.
void fill_row(DioMasterHandle& handle, std::uint8_t row, std::uint8_t value) {
    send_address(handle, row, 0);
    const DataMode data_mode(handle);
    for (std::uint32_t column = 0; column < kRowBytes; ++column) {
        send_to_display(handle, &value, 1);
    }
}

void clear_screen(DioMasterHandle& handle) {
    for (std::uint8_t row = 0; row < kRowCount; ++row) fill_row(handle, row, 0);
}

// Reset pulse on the display's reset line (active low), leaving the link in command mode.
// Chip-select bits keep their values throughout.
void pulse_reset(DioMasterHandle& handle) {
    using namespace quorvel::link;
    const std::uint8_t lines = handle.line_shadow;
    const auto released = static_cast<std::uint8_t>(lines | kDisplayResetHigh);
    write_lines(handle, released);
    write_lines(handle, static_cast<std::uint8_t>(released & ~kDisplayDataMode));
    write_lines(handle, static_cast<std::uint8_t>(lines & kAllChipSelects));
    delay_ms(kResetPulseMs);
    write_lines(handle, static_cast<std::uint8_t>((lines & kAllChipSelects) | kDisplayResetHigh));
    delay_ms(kResetPulseMs);
}

}  // namespace

extern "C" {

QUORVEL_API uint8_t DioSetupOLED(DioMasterHandle* handle, int16_t* status) {
    if (!usable(handle)) return 0;
    clear_frame_buffer(*handle);
    pulse_reset(*handle);
    send_to_display(*handle, kInitSequence.data(), kInitSequence.size());
    clear_screen(*handle);
    const bool on = send_to_display(*handle, &kDisplayOn, 1);
    quorvel::link::set_status(status, DIO_OK);
    return on ? 1 : 0;
}

QUORVEL_API void DioWriteOLEDRowValImm(DioMasterHandle* handle, uint8_t row, uint8_t value) {
    if (!usable(handle)) return;
    fill_row(*handle, row, value);
}

QUORVEL_API void DIOClearOLEDImm(DioMasterHandle* handle) {
    if (!usable(handle)) return;
    clear_screen(*handle);
}

}  // extern "C"
