// Display exports (device 1) against their minimal loops. Writers whose bytes the library
// computes (pixels packed from columns, lines, glyphs, odd-column runs) are compared with a
// replay of the bridge calls they were recorded making.
#include <array>
#include <cstdint>

#include "bus_case.h"
#include "cases.h"
#include "link/registers.h"
#include "screen_bitmap.h"

namespace bench {

namespace {

using minimal::Bus;
namespace reg = quorvel::link;

constexpr std::uint8_t kDisplay = 1;
constexpr std::uint8_t kAddressCommand = 0xB0;
constexpr std::uint8_t kDisplayOn = 0xAF;
constexpr std::array<std::uint8_t, 21> kInitSequence = {0xAE, 0x40, 0xA0, 0xC0, 0x81, 0x80, 0xA8,
                                                        0x3F, 0xAD, 0x81, 0xD5, 0x50, 0xD3, 0x00,
                                                        0xD9, 0x22, 0xDB, 0x35, 0xDC, 0x35, 0x30};
constexpr std::size_t kScreenBytes = 8192;

std::array<std::uint8_t, kScreenBytes> screen{};

// Address command, data mode, the bytes (one transaction, or one each), command mode.
void address(Bus& bus, std::uint8_t row, std::uint8_t column) {
    const std::uint8_t command[] = {kAddressCommand, row, static_cast<std::uint8_t>(column & 0x0F),
                                    static_cast<std::uint8_t>(0x10 | (column >> 4))};
    minimal::transaction(bus, kDisplay, command, nullptr, sizeof command);
}
void immediate(Bus& bus, std::uint8_t row, std::uint8_t column, const std::uint8_t* bytes,
               std::size_t count) {
    address(bus, row, column);
    minimal::write_lines(bus, bus.lines | reg::kDisplayDataMode);
    minimal::transaction(bus, kDisplay, bytes, nullptr, count);
    minimal::write_lines(bus, bus.lines & ~reg::kDisplayDataMode);
}
void row_fill(Bus& bus, std::uint8_t row, std::uint8_t value) {
    address(bus, row, 0);
    minimal::write_lines(bus, bus.lines | reg::kDisplayDataMode);
    for (int i = 0; i < 128; ++i) minimal::transaction(bus, kDisplay, &value, nullptr, 1);
    minimal::write_lines(bus, bus.lines & ~reg::kDisplayDataMode);
}
void clear_screen(Bus& bus) {
    for (std::uint8_t row = 0; row < 64; ++row) row_fill(bus, row, 0);
}

void setup(Bus& bus) {
    const std::uint8_t s = bus.lines;
    minimal::write_lines(bus, s | reg::kDisplayResetHigh);
    minimal::write_lines(bus, (s | reg::kDisplayResetHigh) & ~reg::kDisplayDataMode);
    minimal::write_lines(bus, s & reg::kAllChipSelects);
    minimal::sleep_ms(1);
    minimal::write_lines(bus, (s & reg::kAllChipSelects) | reg::kDisplayResetHigh);
    minimal::sleep_ms(1);
    minimal::transaction(bus, kDisplay, kInitSequence.data(), nullptr, kInitSequence.size());
    clear_screen(bus);
    minimal::transaction(bus, kDisplay, &kDisplayOn, nullptr, 1);
}

void register_replayed(const char* name, std::function<void()> call) {
    register_bus_case({name, std::move(call), {}});
}

}  // namespace

void register_display_cases() {
    register_bus_case({"DioSetupOLED",
                       [] {
                           std::int16_t status = 0;
                           DioSetupOLED(bench_card(), &status);
                       },
                       setup, true});
    register_bus_case({"DIOClearOLEDImm", [] { DIOClearOLEDImm(bench_card()); }, clear_screen});
    register_bus_case({"DioWriteOLEDRowValImm", [] { DioWriteOLEDRowValImm(bench_card(), 5, 0x5A); },
                       [](Bus& bus) { row_fill(bus, 5, 0x5A); }});
    register_bus_case({"DioWriteOLEDPixelPairImm",
                       [] { DioWriteOLEDPixelPairImm(bench_card(), 72, 3, 0x5A); },
                       [](Bus& bus) {
                           const std::uint8_t pair = 0x5A;
                           immediate(bus, 3, 72, &pair, 1);
                       }});
    // The frame buffer is all zero after the open, as is `screen`.
    register_bus_case({"DioSendOLEDBuff", [] { DioSendOLEDBuff(bench_card()); },
                       [](Bus& bus) { immediate(bus, 0, 0, screen.data(), screen.size()); }});
    register_bus_case({"DioWriteOLEDScreenArrImm",
                       [] { DioWriteOLEDScreenArrImm(bench_card(), screen.data()); },
                       [](Bus& bus) { immediate(bus, 0, 0, screen.data(), screen.size()); }});
    register_bus_case({"DioWriteOLEDArrImm/even/bytes:128",
                       [] { DioWriteOLEDArrImm(bench_card(), 0, 7, screen.data(), 128); },
                       [](Bus& bus) { immediate(bus, 7, 0, screen.data(), 128); }});
    register_replayed("DioWriteOLEDArrImm/odd/bytes:8192",
                      [] { DioWriteOLEDArrImm(bench_card(), 1, 0, screen.data(), kScreenBytes); });
    register_replayed("DioWriteOLEDPixelImm", [] { DioWriteOLEDPixelImm(bench_card(), 11, 3, 7); });
    register_replayed("DioWriteOLED2DUnpackedArrImm", [] {
        static std::array<std::uint8_t, 256 * 64> levels{};
        static const auto columns = [] {
            std::array<const std::uint8_t*, 256> c{};
            for (std::size_t x = 0; x < c.size(); ++x) c[x] = &levels[x * 64];
            return c;
        }();
        DioWriteOLED2DUnpackedArrImm(bench_card(), columns.data());
    });
    register_replayed("DioWriteOLEDLineImm/longest",
                      [] { DioWriteOLEDLineImm(bench_card(), 0, 0, 255, 63, 0, 15); });
    register_replayed("DioWriteOLEDCharImm", [] { DioWriteOLEDCharImm(bench_card(), 8, 20, 'A'); });
    register_replayed("DioWriteOLEDAreaBMPImm/odd/256x64",
                      [] { DioWriteOLEDAreaBMPImm(bench_card(), 1, 0, screen_bitmap()); });
    register_replayed("DioWriteOLEDStrImm/chars:32", [] {
        DioWriteOLEDStrImm(bench_card(), 0, 0, "The quick brown fox jumps over t");
    });
}

}  // namespace bench
