// A recording's register calls read as the bus events the simulated bridge reports: what a
// read-back tells about the gate and the bytes' answers; decoded, its commands take their times
// from the calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge_registers.h"
#include "recorded_bus.h"
#include "recording_commands.h"

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

TraceCall at(std::uint64_t time_ns, TraceCall call) {
    call.time_ns = time_ns;
    return call;
}

TEST(RecordingCommands, CommandsLastFromTheirFirstBusEventToTheEndOfTheirLast) {
    // DioArm twice (the second folds into the first), the transaction's calls 1 µs apart.
    Trace trace;
    trace.calls.push_back(at(500, opened()));
    for (const std::uint64_t start : {1000, 10000}) {
        const TraceCall arm[] = {write(kBridgeControl, kOpenGate), write(kLines, 0xBE),
                                 write(kSpiData, 'a'), read(kSpiData, 0),
                                 write(kBridgeControl, kClosedGate), write(kLines, 0xBF)};
        for (std::size_t i = 0; i < std::size(arm); ++i) trace.calls.push_back(at(start + 1000 * i, arm[i]));
    }
    trace.calls.push_back(at(20500, closed()));

    const RecordingCommands recording(trace);
    struct Expected {
        const char* text;
        std::uint64_t count, time, duration;
    } expected[] = {
        {"bridge opened", 1, 0, 0},
        // From the chip select falling to the end of the second deselect, an event gap long.
        {"pg a", 2, 1500, 15000 - 2000 + BusTimeline::kEventGap},
        {"bridge closed", 1, 20000, 0},
    };
    const auto& commands = recording.decoder().commands();
    ASSERT_EQ(commands.size(), std::size(expected));
    for (std::size_t i = 0; i < commands.size(); ++i) {
        EXPECT_EQ(commands[i].text, expected[i].text);
        EXPECT_EQ(commands[i].count, expected[i].count) << expected[i].text;
        EXPECT_EQ(recording.since_first_call(commands[i].time), expected[i].time) << expected[i].text;
        EXPECT_EQ(commands[i].end - commands[i].time, expected[i].duration) << expected[i].text;
    }
}

}  // namespace
