#include "app/supervision/ReplyDecoding.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(PollRequest, IsDc1Enq) {
    EXPECT_EQ(PollRequest, std::string("\x11\x05", 2));
}

TEST(ReplyDecoding, EveryByteValue) {
    for (int byte = 0; byte <= 0xFF; ++byte) {
        TReplyKind expected = TReplyKind::Ignored;
        switch (byte) {
        case 0x06:
            expected = TReplyKind::Ack;
            break;
        case 0x12:
            expected = TReplyKind::CarrierNeutral;
            break;
        case 0x14:
            expected = TReplyKind::CarrierLime;
            break;
        case 0x15:
            expected = TReplyKind::Nak;
            break;
        case 0x16:
            expected = TReplyKind::EncoderRunning;
            break;
        default:
            break;
        }
        EXPECT_EQ(DecodeReplyByte(static_cast<unsigned char>(byte)), expected) << byte;
    }
}

struct TApplyCase {
    TReplyKind Reply;
    bool GateBefore;
    int WatchdogBefore;
    bool GateAfter;
    int WatchdogAfter;
};

// Test names show the case, not its bytes.
void PrintTo(const TApplyCase& c, std::ostream* os) {
    *os << "reply " << static_cast<int>(c.Reply) << ", gate " << c.GateBefore << ", watchdog "
        << c.WatchdogBefore;
}

class ApplyReplyTest : public testing::TestWithParam<TApplyCase> {};

TEST_P(ApplyReplyTest, DrivesGateAndWatchdog) {
    const TApplyCase& c = GetParam();
    bool gate = c.GateBefore;
    int watchdog = c.WatchdogBefore;
    ApplyReply(c.Reply, gate, watchdog);
    EXPECT_EQ(gate, c.GateAfter);
    EXPECT_EQ(watchdog, c.WatchdogAfter);
}

INSTANTIATE_TEST_SUITE_P(Replies, ApplyReplyTest,
                         testing::Values(TApplyCase{TReplyKind::Ack, false, 0, true, 5},
                                         TApplyCase{TReplyKind::Ack, true, 3, true, 5},
                                         TApplyCase{TReplyKind::Nak, true, 0, false, 5},
                                         TApplyCase{TReplyKind::Nak, false, 2, false, 5},
                                         TApplyCase{TReplyKind::CarrierNeutral, true, 1, true, 5},
                                         TApplyCase{TReplyKind::CarrierLime, false, 1, false, 5},
                                         TApplyCase{TReplyKind::EncoderRunning, true, 0, true, 5},
                                         TApplyCase{TReplyKind::Ignored, true, 2, true, 2},
                                         TApplyCase{TReplyKind::Ignored, false, 0, false, 0}));

TEST(Watchdog, CountsDownFiveTicksThenShowsBannerUntilRefreshed) {
    bool gate = false;
    int watchdog = 0;
    EXPECT_TRUE(WatchdogTickShowsBanner(watchdog)) << "silent from the start";
    ApplyReply(TReplyKind::Ack, gate, watchdog);
    for (int tick = 1; tick <= 5; ++tick)
        EXPECT_FALSE(WatchdogTickShowsBanner(watchdog)) << tick;
    EXPECT_EQ(watchdog, 0);
    EXPECT_TRUE(WatchdogTickShowsBanner(watchdog));
    EXPECT_TRUE(WatchdogTickShowsBanner(watchdog));
    EXPECT_EQ(watchdog, 0) << "never goes below zero";
    ApplyReply(TReplyKind::Ignored, gate, watchdog);
    EXPECT_TRUE(WatchdogTickShowsBanner(watchdog)) << "unknown bytes keep the link silent";
    ApplyReply(TReplyKind::EncoderRunning, gate, watchdog);
    EXPECT_FALSE(WatchdogTickShowsBanner(watchdog));
}

} // namespace
