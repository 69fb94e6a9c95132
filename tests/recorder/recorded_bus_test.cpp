// A recording's register calls read as the bus events the simulated bridge reports: what a
// read-back tells about the gate and the bytes' answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge_registers.h"
#include "recorded_bus.h"

using namespace ch367bus;

namespace {

constexpr std::uint64_t kBase = 0xD000;

class EventList final : public BusObserver {
public:
    std::string text;
    void device_opened(bool success) override { add(success ? "open" : "open-failed"); }
    void device_closed() override { add("close"); }
    void register_accessed(bool, std::uint8_t, std::uint8_t) override {}
    void access_refused() override { add("refused"); }
    void transaction_begun(std::uint64_t sequence) override { add("begin" + std::to_string(sequence)); }
    void transaction_ended(bool success) override { add(success ? "end" : "end-failed"); }
    void lines_written(std::uint8_t, std::uint8_t after) override { add("lines" + hex(after)); }
    void byte_shifted(std::uint8_t mosi, std::uint8_t miso) override { add(hex(mosi) + ">" + hex(miso)); }

private:
    static std::string hex(std::uint8_t value) {
        char text[3];
        std::snprintf(text, sizeof text, "%02X", value);
        return text;
    }
    void add(const std::string& event) { text += (text.empty() ? "" : " ") + event; }
};

TraceCall opened(bool success = true) { return {Function::open_device, 0, success ? 1 : -1, 0, 0, 0, 0}; }
TraceCall io_base() { return {Function::get_io_base, kBase, 1, 0, 0, 0, 0}; }
TraceCall closed() { return {Function::close_device, 0, 0, 0, 0, 0, 0}; }
TraceCall write(std::uint8_t offset, std::uint8_t value, bool success = true) {
    return {Function::write_io_byte, kBase + offset, success ? 1 : 0, value, 0, 0, 0};
}
TraceCall read(std::uint8_t offset, std::uint8_t value, bool success = true) {
    return {Function::read_io_byte, kBase + offset, success ? 1 : 0, value, 0, 0, 0};
}

constexpr std::uint8_t kOpenGate = 0x40;
constexpr std::uint8_t kClosedGate = 0x84;

struct Case {
    const char* name;
    std::vector<TraceCall> calls;
    const char* events;
};

TEST(RecordedBus, ReadBacksTellWhatTheBridgeDid) {
    const Case cases[] = {
        {"a transaction that reads its byte back",
         {opened(), io_base(), write(kBridgeControl, kOpenGate), read(kBridgeControl, kOpenGate),
          write(kLines, 0xBE), write(kSpiData, 0x41), read(kSpiControl, 0), read(kSpiData, 0x5A),
          write(kBridgeControl, kClosedGate), read(kBridgeControl, kClosedGate), write(kLines, 0xBF),
          closed()},
         "open begin1 linesBE 41>5A end linesBF close"},
        {"bytes never read back float high",
         {opened(), write(kBridgeControl, kOpenGate), write(kSpiData, 1), write(kSpiData, 2),
          write(kBridgeControl, kClosedGate), closed()},
         "open begin1 01>FF 02>FF end close"},
        {"a gate that stays closed fails the transaction",
         {opened(), write(kBridgeControl, kOpenGate), read(kBridgeControl, kClosedGate),
          write(kBridgeControl, kOpenGate), read(kBridgeControl, kOpenGate)},
         "open begin1 end-failed begin2"},
        {"a gate that stays open fails the transaction",
         {opened(), write(kBridgeControl, kOpenGate), write(kBridgeControl, kClosedGate),
          read(kBridgeControl, kOpenGate)},
         "open begin1 end-failed"},
        {"calls on a closed bridge are refused; a bad address is no event",
         {opened(false), read(kLines, 0, false), write(kLines, 0, false), opened(),
          write(kLines, 0xAA), read(kLines, 0, false)},
         "open-failed refused refused open linesAA"},
    };
    for (const Case& c : cases) {
        EventList events;
        RecordedBus bus(events, 0xBF);
        for (const TraceCall& call : c.calls) bus.call(call);
        bus.finish();
        EXPECT_EQ(events.text, c.events) << c.name;
    }
}

}  // namespace
