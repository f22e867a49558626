#include "tools/encoder-sim/encoder/EncoderModel.h"

#include "tests/tools/SimTestSupport.h"
#include "tools/encoder-sim/protocol/EncoderProtocol.h"

#include <gtest/gtest.h>

using namespace EncoderSim;
using namespace std::chrono_literals;

namespace {

const TTime T0{};

// The meaningful bytes of an answer, in order.
std::string Meaningful(const std::string& bytes) {
    std::string kept;
    for (char c : bytes) {
        if (IsMeaningfulReply(static_cast<unsigned char>(c)))
            kept += c;
    }
    return kept;
}

TEncoderSettings Settings(std::size_t buffer, TFaultModes faults = {}) {
    TEncoderSettings settings;
    settings.BufferSize = buffer;
    settings.TxTime = 3000ms;
    settings.Faults = faults;
    return settings;
}

TEST(EncoderModel, IdleEncoderAcknowledgesPollsAndNeedsNoTimer) {
    TEncoderModel model(Settings(3), T0);
    EXPECT_EQ(model.AnswerPoll(T0), "\x06");
    EXPECT_EQ(model.AnswerPoll(T0 + 1h), "\x06");
    EXPECT_FALSE(model.NextDeadline().has_value());
    EXPECT_EQ(model.Advance(T0 + 2h), "");
}

TEST(EncoderModel, TransmitterReportsCarrierAndRunningThenCarrierOff) {
    TEncoderModel model(Settings(3), T0);
    TAlarmOutcome outcome{};
    EXPECT_EQ(model.TakeAlarm("12345", T0, outcome), "\x14\x16");
    EXPECT_EQ(outcome, TAlarmOutcome::Transmitting);
    ASSERT_TRUE(model.NextDeadline().has_value());
    EXPECT_EQ(*model.NextDeadline(), T0 + 3000ms);
    EXPECT_EQ(model.Advance(T0 + 2999ms), "");
    EXPECT_EQ(model.Advance(T0 + 3000ms), "\x12");
    EXPECT_FALSE(model.NextDeadline().has_value());

    auto notices = model.TakeNotices();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].Kind, TEncoderNotice::TKind::CarrierOn);
    EXPECT_EQ(notices[0].Alarm, "12345");
    EXPECT_EQ(notices[1].Kind, TEncoderNotice::TKind::CarrierOff);
}

TEST(EncoderModel, FullBufferAnswersNakUntilTheTransmitterTakesOne) {
    TEncoderModel model(Settings(2), T0);
    TAlarmOutcome outcome{};
    model.TakeAlarm("a", T0, outcome);
    EXPECT_EQ(model.TakeAlarm("b", T0, outcome), "");
    EXPECT_EQ(outcome, TAlarmOutcome::Buffered);
    EXPECT_EQ(model.AnswerPoll(T0), "\x06");
    model.TakeAlarm("c", T0, outcome);
    EXPECT_EQ(outcome, TAlarmOutcome::Buffered);
    EXPECT_EQ(model.AnswerPoll(T0), "\x15");
    model.TakeAlarm("d", T0, outcome);
    EXPECT_EQ(outcome, TAlarmOutcome::Dropped);
    EXPECT_EQ(model.Status().Waiting, 2u);

    // "a" ends, "b" starts straight away and frees a place.
    EXPECT_EQ(model.Advance(T0 + 3000ms), "\x12\x14\x16");
    EXPECT_EQ(model.AnswerPoll(T0 + 3000ms), "\x06");
    // A late call catches up with every transmission that has ended meanwhile.
    EXPECT_EQ(model.Advance(T0 + 9000ms), "\x12\x14\x16\x12");
    EXPECT_EQ(model.Status().Waiting, 0u);
    EXPECT_FALSE(model.Status().Transmitting);
}

TEST(EncoderModel, SilentSendsNothingButStillWorks) {
    TEncoderModel model(Settings(1, Faults("silent")), T0);
    TAlarmOutcome outcome{};
    EXPECT_EQ(model.AnswerPoll(T0), "");
    EXPECT_EQ(model.TakeAlarm("a", T0, outcome), "");
    EXPECT_EQ(outcome, TAlarmOutcome::Transmitting);
    EXPECT_EQ(model.Advance(T0 + 3000ms), "");
}

TEST(EncoderModel, NakModeAnswersEveryPollWithNak) {
    TEncoderModel model(Settings(3, Faults("nak")), T0);
    EXPECT_EQ(model.AnswerPoll(T0), "\x15");
    TAlarmOutcome outcome{};
    EXPECT_EQ(model.TakeAlarm("a", T0, outcome), "\x14\x16");
    EXPECT_EQ(model.AnswerPoll(T0), "\x15");
}

TEST(EncoderModel, SilentAfterAnswersUntilItsTimeThenTellsOnce) {
    TEncoderModel model(Settings(3, Faults("", 2000ms)), T0);
    EXPECT_EQ(model.AnswerPoll(T0 + 1999ms), "\x06");
    EXPECT_EQ(model.AnswerPoll(T0 + 2000ms), "");
    EXPECT_EQ(model.AnswerPoll(T0 + 2500ms), "");
    auto notices = model.TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].Kind, TEncoderNotice::TKind::FellSilent);

    // New modes count from when they are set.
    model.SetFaults(Faults("", 1000ms), T0 + 3000ms);
    EXPECT_EQ(model.AnswerPoll(T0 + 3500ms), "\x06");
    EXPECT_EQ(model.AnswerPoll(T0 + 4000ms), "");
}

TEST(EncoderModel, GarbageSurroundsTheAnswersWithMeaninglessBytes) {
    TEncoderModel model(Settings(1, Faults("garbage")), T0);
    TAlarmOutcome outcome{};
    std::string sent;
    for (int i = 0; i < 50; ++i) {
        std::string answer = model.AnswerPoll(T0);
        EXPECT_GT(answer.size(), 1u);
        EXPECT_EQ(Meaningful(answer), "\x06");
        sent += answer;
    }
    std::string transmitter = model.TakeAlarm("a", T0, outcome);
    transmitter += model.Advance(T0 + 3000ms);
    EXPECT_EQ(Meaningful(transmitter), "\x14\x16\x12");
    EXPECT_GT(transmitter.size(), 3u);

    TFaultModes both = Faults("nak garbage");
    model.SetFaults(both, T0);
    EXPECT_EQ(Meaningful(model.AnswerPoll(T0)), "\x15");
}

} // namespace
