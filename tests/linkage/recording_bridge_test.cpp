// A caller's own stand-in for the bridge driver: this program defines the five driver functions
// itself and exports them, so the card library, which imports them by name, calls these instead
// of any driver library. Every register access the library makes must arrive here.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "QuorvelWCHDLL.h"

namespace {

constexpr std::uint64_t kBase = 0x4000;

struct Recorder {
    std::vector<std::string> calls;
    std::uint8_t registers[256] = {};

    Recorder() {
        registers[0xE8] = 0x84;  // bus gate closed
        registers[0xF1] = 0xFF;  // nothing selected
    }

    void note(const char* what, std::uint64_t address, unsigned value) {
        char text[48];
        std::snprintf(text, sizeof text, "%s %02X %02X", what,
                      static_cast<unsigned>(address - kBase), value);
        calls.emplace_back(text);
    }
};

Recorder recorder;

}  // namespace

extern "C" {

void* CH367OpenDevice(int32_t, int32_t, uint8_t) {
    recorder.calls.emplace_back("open");
    return &recorder;
}

int32_t CH367GetIoBaseAddr(uint64_t* io_base) {
    recorder.calls.emplace_back("base");
    *io_base = kBase;
    return 1;
}

int32_t CH367ReadIoByte(uint64_t address, uint8_t* value) {
    *value = recorder.registers[(address - kBase) & 0xFF];
    recorder.note("R", address, *value);
    return 1;
}

int32_t CH367WriteIoByte(uint64_t address, uint8_t value) {
    recorder.registers[(address - kBase) & 0xFF] = value;
    recorder.note("W", address, value);
    return 1;
}

void CH367CloseDevice(void) { recorder.calls.emplace_back("close"); }

}  // extern "C"

namespace {

// The register accesses of one one-byte transaction on device 0, starting from a closed gate,
// all chip selects high (bits 6 and 7 of the lines as given) and the SPI control register as
// the previous transaction left it.
std::vector<std::string> one_byte_transaction(std::uint8_t byte, std::uint8_t lines,
                                              std::uint8_t spi_control) {
    auto hex = [](unsigned v) {
        char text[3];
        std::snprintf(text, sizeof text, "%02X", v);
        return std::string(text);
    };
    return {"R FD " + hex(spi_control),
            "W FD E0",
            "R E8 84",
            "W E8 40",
            "R E8 40",
            "W F1 " + hex(lines & 0xFEu),
            "W FE " + hex(byte),
            "R FD E0",
            "W FD 20",
            "R E8 40",
            "W E8 84",
            "R E8 84",
            "W F1 " + hex(lines)};
}

}  // namespace

TEST(RecordingBridge, ReceivesEveryAccessOfOpenCommandAndClose) {
    recorder = {};
    DioMasterHandle* card = nullptr;
    std::int16_t status = -99;
    DioInitialize(nullptr, &card, &status);
    ASSERT_EQ(status, DIO_OK);

    std::vector<std::string> expected = {"open", "base", "R F1 FF", "W F1 FF"};
    for (const auto& access : one_byte_transaction(0x69, 0xFF, 0x00)) expected.push_back(access);
    EXPECT_EQ(recorder.calls, expected);

    recorder.calls.clear();
    EXPECT_EQ(DioArm(card), 1);
    EXPECT_EQ(recorder.calls, one_byte_transaction(0x61, 0xFF, 0x20));

    recorder.calls.clear();
    DioClose(card);
    EXPECT_EQ(recorder.calls, std::vector<std::string>{"close"});
}
