#include "simulated_card.h"

using SmokeTest = SimulatedCard;

TEST_F(SmokeTest, ArmSendsOneFrameOnThePatternGenerator) {
    EXPECT_EQ(DioArm(card), 1);
    const auto log = logged_transactions();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].device, 0);
    EXPECT_EQ(log[0].out, std::vector<std::uint8_t>{0x61});
}
