#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "simulated_card.h"

namespace {

using DisplayHandle = SimulatedCard;

// Every display export (bitmaps aside), with arguments that would draw something.
void draw_with_every_export(DioMasterHandle* handle, std::int16_t* status) {
    static const std::vector<std::uint8_t> screen(8192, 0xFF);
    static std::array<const std::uint8_t*, 256> columns;
    columns.fill(screen.data());
    const std::uint8_t* data = screen.data();
    EXPECT_EQ(DioSetupOLED(handle, status), 0);
    DioWriteOLEDRowValImm(handle, 0, 0xFF);
    DIOClearOLEDImm(handle);
    DioWriteOLEDPixelPairImm(handle, 0, 0, 0xFF);
    DioWriteOLEDPixelImm(handle, 0, 0, 15);
    DioWriteOLEDArrImm(handle, 1, 0, data, 4);
    DioWriteOLEDRowArrImm(handle, 0, data);
    DioWriteOLEDScreenArrImm(handle, data);
    DioWriteOLEDAreaArrImm(handle, 0, 0, 2, 2, data);
    DioWriteOLED2DUnpackedArrImm(handle, columns.data());
    DioWriteOLEDPixelPairBuff(handle, 0, 0, 0, 0xFF);
    DioWriteOLEDPixelBuff(handle, 0, 0, 0, 15);
    DioWriteOLEDArrBuff(handle, 0, 1, 0, data, 4);
    DioWriteOLEDRowArrBuff(handle, 0, 0, data);
    DioWriteOLEDScreenArrBuff(handle, 0, data);
    DioWriteOLEDAreaArrBuff(handle, 0, 0, 0, 2, 2, data);
    DioSendOLEDBuff(handle);
    DioClearOLEDBuff(handle);
    DioWriteOLEDLineImm(handle, 0, 0, 9, 9, 15, 15);
    DioWriteOLEDLineBuff(handle, 0, 0, 0, 9, 9, 15, 15);
    DioWriteOLEDCharImm(handle, 0, 0, 'A');
    DioWriteOLEDCharBuff(handle, 0, 0, 0, 'A');
    DioWriteOLEDStrImm(handle, 0, 0, "AB");
    DioWriteOLEDStrBuff(handle, 0, 0, 0, "AB");
}

TEST_F(DisplayHandle, NullOrUnopenedHandleTouchesNothing) {
    DioClose(card);
    ch367sim_reset();
    ch367sim_fail_open(1);
    DioInitialize(nullptr, &card, &status);
    ASSERT_EQ(status, DIO_ERR_INVALID_CH367_HANDLE);
    ch367sim_set_register_trace(1);
    for (DioMasterHandle* handle : {static_cast<DioMasterHandle*>(nullptr), card}) {
        status = -99;
        draw_with_every_export(handle, &status);
        EXPECT_EQ(status, -99);
    }
    EXPECT_EQ(ch367sim_register_trace_count(), 0u);
}

}  // namespace
