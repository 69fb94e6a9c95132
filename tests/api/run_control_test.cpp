// Pattern-generator run control: the frames each export sends and the flag it returns.
#include <cstdint>
#include <vector>

#include "library_export.h"
#include "simulated_card.h"

namespace {

using Frames = std::vector<std::vector<std::uint8_t>>;
using RunControl = SimulatedCard;

struct OneByteCommand {
    const char* name;
    std::uint8_t (*send)(DioMasterHandle*);
    std::uint8_t opcode;
};
const OneByteCommand kOneByteCommands[] = {
    {"DioArm", DioArm, 0x61},
    {"DioHalt", DioHalt, 0x68},
    {"DioReset", DioReset, 0x68},
    {"DioPause", DioPause, 0x70},
    {"DioTrig", DioTrig, 0x72},
    {"DioResetDDS", DioResetDDS, 0x69},
    {"DioClearCtrlMemory", DioClearCtrlMemory, 0x7A},
    {"DioClearOutMemory", DioClearOutMemory, 0x5A},
};

TEST_F(RunControl, EachOneByteCommandIsOneFrameOnThePatternGenerator) {
    for (const OneByteCommand& c : kOneByteCommands) {
        SCOPED_TRACE(c.name);
        ch367sim_clear_log();
        EXPECT_EQ(c.send(card), 1);
        const auto log = logged_transactions();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].device, 0);
        EXPECT_EQ(log[0].out, std::vector<std::uint8_t>{c.opcode});
        EXPECT_TRUE(log[0].in.empty());
    }
    EXPECT_EQ(ch367sim_get_pattern_generator().status & CH367SIM_PG_STATUS_FRAME_ERROR, 0);
}

TEST_F(RunControl, EachOneByteCommandReturnsTheFlagOfItsTransaction) {
    for (const OneByteCommand& c : kOneByteCommands) {
        ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_OPEN_ON_CLOSE, 1);
        EXPECT_EQ(c.send(card), 0) << c.name;
    }
}

TEST_F(RunControl, ResetIsTheSameFunctionAsHalt) {
    ASSERT_NE(library_export("DioHalt"), nullptr);
    EXPECT_EQ(library_export("DioReset"), library_export("DioHalt"));
}

TEST_F(RunControl, StepSendsAPositiveSizeLittleEndianAndRejectsTheRest) {
    struct Case { std::int32_t step; Frames frames; std::int16_t status; };
    const Case cases[] = {
        {1, {{0x6A}, {0x01, 0x00, 0x00, 0x00}}, 55},
        {300, {{0x6A}, {0x2C, 0x01, 0x00, 0x00}}, 55},
        {INT32_MAX, {{0x6A}, {0xFF, 0xFF, 0xFF, 0x7F}}, 55},
        {0, {}, DIO_ERR_STEP_SIZE},
        {-1, {}, DIO_ERR_STEP_SIZE},
        {INT32_MIN, {}, DIO_ERR_STEP_SIZE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        ch367sim_clear_log();
        status = 55;
        DioStep(card, c.step, &status);
        EXPECT_EQ(sent_frames(), c.frames);
        EXPECT_EQ(status, c.status);
    }
}

TEST_F(RunControl, TriggerModeSendsOpcodeAndBothBytesAsThreeFrames) {
    EXPECT_EQ(DioSetupTriggerMode(card, 1, 2), 1);
    EXPECT_EQ(sent_frames(), (Frames{{0x74}, {0x01}, {0x02}}));
    const auto model = ch367sim_get_pattern_generator();
    EXPECT_EQ(model.trigger_mode[0], 1);
    EXPECT_EQ(model.trigger_mode[1], 2);
}

// Only the last piece's flag counts, and a failed piece does not stop the pieces after it.
TEST_F(RunControl, TriggerModeReturnsTheFlagOfItsLastFrame) {
    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 1);
    EXPECT_EQ(DioSetupTriggerMode(card, 1, 2), 1);
    EXPECT_EQ(logged_transactions().size(), 3u);

    ch367sim_inject_gate_fault(CH367SIM_GATE_STUCK_CLOSED_ON_OPEN, 3);
    EXPECT_EQ(DioSetupTriggerMode(card, 1, 2), 0);
}

}  // namespace
