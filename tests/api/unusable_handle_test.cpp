// Every card export of the link and pattern-generator families, given a null handle or one whose
// open failed, returns at once: no bridge access, no status written, result 0.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "QuorvelWCHDLL.h"
#include "ch367sim.h"

namespace {

struct Export {
    const char* name;
    std::function<std::int32_t(DioMasterHandle*, std::int16_t*)> call;  // returns the result, or 0
};

std::uint8_t buffer[16];

const Export kExports[] = {
    {"DioStreamSPI", [](auto h, auto s) { DioStreamSPI(h, 0, buffer, buffer, 1, s); return 0; }},
    {"DioWriteSPI", [](auto h, auto s) { DioWriteSPI(h, 9, buffer, 1, s); return 0; }},
    {"DioReadSPI", [](auto h, auto s) { DioReadSPI(h, 0, buffer, 1, s); return 0; }},
    {"DioSetADRSR_Low", [](auto h, auto) { return DioSetADRSR_Low(h, 1); }},
    {"DioSetADRSR_High", [](auto h, auto) { return DioSetADRSR_High(h, 1); }},
    {"DioArm", [](auto h, auto) { return std::int32_t{DioArm(h)}; }},
    {"DioHalt", [](auto h, auto) { return std::int32_t{DioHalt(h)}; }},
    {"DioReset", [](auto h, auto) { return std::int32_t{DioReset(h)}; }},
    {"DioPause", [](auto h, auto) { return std::int32_t{DioPause(h)}; }},
    {"DioTrig", [](auto h, auto) { return std::int32_t{DioTrig(h)}; }},
    {"DioResetDDS", [](auto h, auto) { return std::int32_t{DioResetDDS(h)}; }},
    {"DioClearCtrlMemory", [](auto h, auto) { return std::int32_t{DioClearCtrlMemory(h)}; }},
    {"DioClearOutMemory", [](auto h, auto) { return std::int32_t{DioClearOutMemory(h)}; }},
    {"DioStep", [](auto h, auto s) { DioStep(h, 0, s); return 0; }},
    {"DioSetupTriggerMode", [](auto h, auto) { return std::int32_t{DioSetupTriggerMode(h, 1, 2)}; }},
    {"DioReadCtrlMemory", [](auto h, auto s) { DioReadCtrlMemory(h, buffer, 0, 0, s); return 0; }},
    {"DioReadOutMemory", [](auto h, auto s) { DioReadOutMemory(h, buffer, 0, 1, s); return 0; }},
    {"DioWriteCtrlMemory", [](auto h, auto s) { DioWriteCtrlMemory(h, buffer, 0, 0, s); return 0; }},
    {"DioWriteOutMemory", [](auto h, auto s) { DioWriteOutMemory(h, buffer, 0, 1, s); return 0; }},
    {"DioReadProgramCounter",
     [](auto h, auto s) { return std::int32_t{DioReadProgramCounter(h, buffer, s)}; }},
    {"DioReadCurrentIO", [](auto h, auto s) { return std::int32_t{DioReadCurrentIO(h, buffer, s)}; }},
    {"DioReadMaxDataLines",
     [](auto h, auto s) { return std::int32_t{DioReadMaxDataLines(h, buffer, s)}; }},
    {"DioReadStatusRegister",
     [](auto h, auto s) { return std::int32_t{DioReadStatusRegister(h, buffer, s)}; }},
    {"DioWriteProgramCounter", [](auto h, auto) { return std::int32_t{DioWriteProgramCounter(h, 3)}; }},
    {"DioWriteCurrentIO", [](auto h, auto) { return std::int32_t{DioWriteCurrentIO(h, 3)}; }},
};

std::uint64_t register_accesses() {
    const ch367sim_counters c = ch367sim_get_counters();
    return c.register_reads + c.register_writes;
}

void expect_untouched(DioMasterHandle* handle) {
    for (const Export& e : kExports) {
        SCOPED_TRACE(e.name);
        const std::uint64_t accesses = register_accesses();
        std::int16_t status = 77;
        EXPECT_EQ(e.call(handle, &status), 0);
        EXPECT_EQ(status, 77);
        EXPECT_EQ(register_accesses(), accesses);
    }
}

TEST(UnusableHandle, NullHandleTouchesNothing) {
    ch367sim_reset();
    expect_untouched(nullptr);
}

TEST(UnusableHandle, HandleOfAFailedOpenTouchesNothing) {
    for (auto fail : {&ch367sim_fail_open, &ch367sim_fail_io_base}) {
        ch367sim_reset();
        fail(1);
        DioMasterHandle* card = nullptr;
        std::int16_t status = 0;
        DioInitialize(nullptr, &card, &status);
        ASSERT_NE(card, nullptr);
        expect_untouched(card);
        DioClose(card);
    }
    ch367sim_reset();
}

}  // namespace
