// Raw SPI exports and the address register pair.
#include <cstdint>
#include <functional>
#include <vector>

#include "reply_device.h"
#include "simulated_card.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int16_t kUntouched = -3;  // an earlier failure the caller left in its variable

class RawSpi : public SimulatedCard {
protected:
    void attach(std::uint8_t index) {
        callbacks = device.callbacks();
        ASSERT_EQ(ch367sim_attach_device(index, &callbacks), 1);
    }

    ReplyDevice device;
    ch367sim_device callbacks{};
};

// The three transaction exports, each with its failure code, on a 2-byte buffer.
struct RawExport {
    const char* name;
    std::int16_t failure;
    std::function<void(DioMasterHandle*, std::uint8_t device, std::int16_t*)> call;
};
Bytes scratch(2);
const RawExport kRawExports[] = {
    {"DioStreamSPI", DIO_ERR_STREAM_SPI,
     [](auto h, auto d, auto s) { DioStreamSPI(h, d, scratch.data(), scratch.data(), 2, s); }},
    {"DioWriteSPI", DIO_ERR_WRITE_SPI,
     [](auto h, auto d, auto s) { DioWriteSPI(h, d, scratch.data(), 2, s); }},
    {"DioReadSPI", DIO_ERR_READ_SPI,
     [](auto h, auto d, auto s) { DioReadSPI(h, d, scratch.data(), 2, s); }},
};

TEST_F(RawSpi, DeviceIndexAbove5IsRejectedWithoutBusAccess) {
    for (const RawExport& e : kRawExports) {
        for (const std::uint8_t index : {6, 255}) {
            SCOPED_TRACE(testing::Message() << e.name << " device " << int{index});
            const ch367sim_counters before = ch367sim_get_counters();
            status = kUntouched;
            e.call(card, index, &status);
            EXPECT_EQ(status, DIO_ERR_INVALID_SPI_DEVICE);
            const ch367sim_counters after = ch367sim_get_counters();
            EXPECT_EQ(after.register_reads, before.register_reads);
            EXPECT_EQ(after.register_writes, before.register_writes);
        }
    }
}

TEST_F(RawSpi, SuccessLeavesTheStatusAndFailureWritesTheExportsCode) {
    for (const RawExport& e : kRawExports) {
        SCOPED_TRACE(e.name);
        ch367sim_clear_log();
        status = kUntouched;
        e.call(card, 5, &status);
        EXPECT_EQ(status, kUntouched);
        const auto log = logged_transactions();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].device, 5);
        EXPECT_EQ(log[0].out.size(), 2u);

        for (const auto fault : {CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, CH367SIM_GATE_STUCK_OPEN_ON_CLOSE}) {
            ch367sim_inject_gate_fault(fault, 1);
            status = DIO_OK;
            e.call(card, 2, &status);
            EXPECT_EQ(status, e.failure) << "fault " << fault;
        }
        ch367sim_clear_faults();
    }
}

TEST_F(RawSpi, CountZeroOnlyFramesTheDevice) {
    attach(2);
    status = kUntouched;
    DioWriteSPI(card, 2, nullptr, 0, &status);
    EXPECT_EQ(status, kUntouched);
    EXPECT_EQ(device.frames, std::vector<Bytes>{Bytes{}});
    EXPECT_EQ(device.frames_ended, 1);
}

TEST_F(RawSpi, ReadSendsZerosAndStoresTheReplies) {
    attach(4);
    Bytes in(3, 0xEE);
    DioReadSPI(card, 4, in.data(), in.size(), &status);
    EXPECT_EQ(device.frames, std::vector<Bytes>{Bytes(3, 0x00)});
    EXPECT_EQ(in, Bytes(3, ReplyDevice::kReplyOffset));
}

TEST_F(RawSpi, StreamWithoutBuffersSendsZerosAndReadsNothing) {
    attach(3);
    DioStreamSPI(card, 3, nullptr, nullptr, 4, &status);
    EXPECT_EQ(device.frames, std::vector<Bytes>{Bytes(4, 0x00)});
    const auto log = logged_transactions();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].in.empty());
}

TEST_F(RawSpi, StreamIntoItsOwnBufferReplacesEachByteWithItsReply) {
    attach(3);
    Bytes buffer = {0x01, 0x02, 0x03};
    DioStreamSPI(card, 3, buffer.data(), buffer.data(), buffer.size(), &status);
    EXPECT_EQ(device.frames, std::vector<Bytes>{Bytes({0x01, 0x02, 0x03})});
    EXPECT_EQ(buffer, Bytes({0x11, 0x12, 0x13}));
}

TEST_F(RawSpi, AddressHighBypassesTheLineShadowUntilTheNextTransaction) {
    const std::uint8_t shadow = ch367sim_line_register();
    EXPECT_EQ(DioSetADRSR_High(card, 0x00), 1);
    EXPECT_EQ(ch367sim_line_register(), 0x00);
    EXPECT_TRUE(logged_transactions().empty());

    DioWriteSPI(card, 3, nullptr, 1, &status);
    const auto log = logged_transactions();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].device, 3);
    EXPECT_EQ(log[0].lines, shadow & ~0x08);
    EXPECT_EQ(ch367sim_line_register(), shadow);
}

TEST_F(RawSpi, AddressLowWritesOnlyItsRegister) {
    const std::uint8_t lines = ch367sim_line_register();
    EXPECT_EQ(DioSetADRSR_Low(card, 0x5A), 1);
    EXPECT_EQ(ch367sim_register(0xF0), 0x5A);
    EXPECT_EQ(ch367sim_line_register(), lines);
    EXPECT_TRUE(logged_transactions().empty());
}

// Bridge accesses per byte: one for a byte sent, five for a byte read back, plus twelve to open
// and close the bus (the gate reads 1 before every opening here, so no extra raise).
TEST_F(RawSpi, RegisterAccessesPerTransaction) {
    struct Case { const char* name; std::function<void()> run; std::uint64_t accesses; };
    Bytes data(100);
    const Case cases[] = {
        {"write 100", [&] { DioWriteSPI(card, 2, data.data(), 100, &status); }, 12 + 100},
        {"read 100", [&] { DioReadSPI(card, 2, data.data(), 100, &status); }, 12 + 5 * 100},
        {"stream 0", [&] { DioStreamSPI(card, 2, nullptr, nullptr, 0, &status); }, 12},
    };
    for (const Case& c : cases) {
        const std::uint64_t before = register_accesses();
        c.run();
        EXPECT_EQ(register_accesses() - before, c.accesses) << c.name;
    }
}

}  // namespace
