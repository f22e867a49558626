#include "ComPortFixture.h"
#include "LineHandOver.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/errors/SioExceptions.h"

#include <thread>

namespace {

using namespace std::chrono_literals;

class ComPortDataTest : public ComPortTest {
protected:
    void SetUp() override {
        Peer = &AddPort(1);
        Port.SetComNumber(1);
        RecordNotifications();
        Port.SetOpen(true);
    }
    TVirtualComPort* Peer = nullptr;
};

TEST_F(ComPortDataTest, WholeBlockFitsOrNothingIsQueued) {
    try {
        Port.WriteString(std::string(4097, 'b'));
        ADD_FAILURE() << "no exception";
    } catch (const EOutputBufferTooSmall& error) {
        EXPECT_EQ(error.ErrorCode, -3006);
        EXPECT_EQ(error.Message(), "Output buffer too small for block");
    }
    EXPECT_EQ(Port.Dispatcher()->OutputUsed(), 0u);

    std::string block(4096, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 7);
    Port.WriteString(block);
    EXPECT_EQ(Peer->Read(4096, 10s), block);
}

TEST_F(ComPortDataTest, StringsGoOutWholeAndInQueueOrder) {
    Port.WriteString("\x02"
                     "12345");
    Port.WriteString(std::string("\x00\xFF\x03", 3));
    Port.WriteString("\x11\x05");
    EXPECT_EQ(Peer->Read(11, 5s), std::string("\x02"
                                              "12345\x00\xFF\x03\x11\x05",
                                              11));
}

TEST_F(ComPortDataTest, EmptyStringNeitherSendsNorRaises) {
    EXPECT_NO_THROW(Port.WriteString(""));
    Port.WriteString("z");
    EXPECT_EQ(Peer->Read(1, 5s), "z");

    TSioComPort closed;
    closed.SetAutoOpen(false);
    EXPECT_NO_THROW(closed.WriteString(""));
    EXPECT_FALSE(closed.Open());
}

TEST_F(ComPortDataTest, ReadCharWithNothingUnreadRaisesBufferIsEmpty) {
    try {
        Port.ReadChar();
        ADD_FAILURE() << "no exception";
    } catch (const EBufferIsEmpty& error) {
        EXPECT_EQ(error.ErrorCode, -3007);
        EXPECT_EQ(error.Message(), "Buffer is empty");
    }
}

TEST_F(ComPortDataTest, EveryByteValueArrivesUnchanged) {
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[static_cast<std::size_t>(i)] = static_cast<char>(i);
    ASSERT_TRUE(Peer->Write(all));
    ASSERT_TRUE(WaitUntil([&] { return ReadBytes.size() >= 256; }));
    EXPECT_EQ(ReadBytes, all);
}

TEST_F(ComPortDataTest, BytesLeftUnreadAreCountedAgainWithTheNextArrival) {
    // The threshold holds the first notification until all three bytes are in.
    Port.SetAvailThreshold(3);
    Port.SetOnTriggerAvail([this](TSioCustomComPort& CP, std::uint16_t Count) {
        Counts.push_back(Count);
        ReadBytes += static_cast<char>(CP.ReadChar());
        CP.SetAvailThreshold(4);
    });
    ASSERT_TRUE(Peer->Write("abc"));
    ASSERT_TRUE(WaitForNotifications(1));
    ASSERT_TRUE(Peer->Write("de"));
    ASSERT_TRUE(WaitForNotifications(2));
    EXPECT_EQ(Counts, (std::vector<std::uint16_t>{3, 4}));
    EXPECT_EQ(ReadBytes, "ab");
}

// Inside a handler the block reads read ahead like ReadChar, so they mix with it; past the
// unread bytes GetBlock returns 0 instead of raising, and the ring ends empty.
TEST_F(ComPortDataTest, BlockReadsTakeWhatReadCharWould) {
    std::string peeked;
    std::string got;
    std::uint32_t past = 99;
    Port.SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t Count) {
        char buffer[16] = {};
        peeked.assign(buffer, CP.PeekBlock(buffer, sizeof buffer));
        got.assign(buffer, CP.GetBlock(buffer, 2));
        got += static_cast<char>(CP.ReadChar());
        got.append(buffer, CP.GetBlock(buffer, sizeof buffer));
        past = CP.GetBlock(buffer, sizeof buffer);
        Counts.push_back(Count);
    });
    ASSERT_TRUE(Peer->Write("abcd"));
    ASSERT_TRUE(WaitForNotifications(1));
    EXPECT_EQ(Counts[0], 4);
    EXPECT_EQ(peeked, "abcd");
    EXPECT_EQ(got, "abcd");
    EXPECT_EQ(past, 0u);
    ASSERT_TRUE(WaitUntil([&] { return !Port.Dispatcher()->Dispatching(); }));
    EXPECT_EQ(Port.Dispatcher()->InputCount(), 0u);
}

TEST_F(ComPortDataTest, HandlerReadingPastCountIsReportedAndConsumesTheCountBytes) {
    Port.SetAvailThreshold(3);
    ReadPerNotification = 4;
    ASSERT_TRUE(Peer->Write("xyz"));
    ASSERT_TRUE(WaitForNotifications(1));
    EXPECT_EQ(Counts[0], 3);
    EXPECT_EQ(ReadBytes, "xyz");
    EXPECT_EQ(Reports, std::vector<std::string>{"Buffer is empty."});

    Port.SetAvailThreshold(1);
    ReadPerNotification = -1;
    ASSERT_TRUE(Peer->Write("!"));
    ASSERT_TRUE(WaitForNotifications(2));
    EXPECT_EQ(Counts[1], 1);
    EXPECT_EQ(ReadBytes, "xyz!");
}

TEST_F(ComPortDataTest, ClosingInsideHandlerNotifiesAtOnceAndTearsDownAfterwards) {
    bool closeNotified = false;
    bool openDuringClose = false;
    bool openAfterSetOpen = false;
    TLinkState stateAfterSetOpen = lsClosed;
    std::uint8_t readDuringClose = 0xFF;
    Port.SetOnPortClose([&](TSioCustomComPort& sender) {
        closeNotified = true;
        openDuringClose = sender.Open();
    });
    Port.SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t Count) {
        Counts.push_back(Count);
        CP.SetOpen(false);
        openAfterSetOpen = CP.Open();
        stateAfterSetOpen = CP.LinkState();
        readDuringClose = CP.ReadChar();
        CP.WriteString("ignored while closing");
    });
    ASSERT_TRUE(Peer->Write("q"));
    ASSERT_TRUE(WaitForNotifications(1));
    EXPECT_TRUE(closeNotified);
    EXPECT_TRUE(openDuringClose);
    EXPECT_TRUE(openAfterSetOpen);
    EXPECT_EQ(stateAfterSetOpen, lsClosing);
    EXPECT_EQ(readDuringClose, 0);
    ASSERT_TRUE(WaitUntil([&] { return !Port.Open(); }));
    EXPECT_EQ(Port.LinkState(), lsClosed);
    EXPECT_EQ(Port.Dispatcher(), nullptr);
    EXPECT_TRUE(Reports.empty());
    OpenWithOtherComponent(1);
}

TEST_F(ComPortDataTest, OpenRequestedDuringDeferredCloseReopensAfterTeardown) {
    int opens = 0;
    Port.SetOnPortOpen([&](TSioCustomComPort&) { ++opens; });
    Port.SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t Count) {
        Counts.push_back(Count);
        if (Counts.size() == 1) {
            CP.SetOpen(false);
            CP.SetOpen(true);
        } else {
            for (int i = 0; i < Count; ++i)
                ReadBytes += static_cast<char>(CP.ReadChar());
        }
    });
    ASSERT_TRUE(Peer->Write("1"));
    ASSERT_TRUE(WaitUntil([&] { return opens == 1 && Port.LinkState() == lsOpen; }));
    ASSERT_TRUE(Peer->Write("2"));
    ASSERT_TRUE(WaitForNotifications(2));
    EXPECT_EQ(ReadBytes, "2");
}

TEST_F(ComPortDataTest, ComNumberChangeInsideHandlerReopensOnTheNewNumber) {
    TVirtualComPort& com2 = AddPort(2);
    Port.SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t Count) {
        Counts.push_back(Count);
        CP.SetComNumber(2);
    });
    ASSERT_TRUE(Peer->Write("m"));
    ASSERT_TRUE(WaitUntil(
        [&] { return Port.LinkState() == lsOpen && Port.ComNumber() == 2 && Counts.size() == 1; }));
    Port.WriteString("on two");
    EXPECT_EQ(com2.Read(6, 5s), "on two");
}

TEST_F(ComPortDataTest, HandlerBlockingPastTheSendLimitDoesNotStopTheEngine) {
    Port.SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t Count) {
        Counts.push_back(Count);
        if (Counts.size() == 1) {
            // Longer than the dispatcher waits for a handler.
            std::this_thread::sleep_for(3500ms);
            return;
        }
        for (int i = 0; i < Count; ++i)
            ReadBytes += static_cast<char>(CP.ReadChar());
    });
    ASSERT_TRUE(Peer->Write("A"));
    ASSERT_TRUE(WaitForNotifications(1));
    ASSERT_TRUE(Peer->Write("B"));
    ASSERT_TRUE(WaitForNotifications(2));
    EXPECT_EQ(Counts, (std::vector<std::uint16_t>{1, 2}));
    EXPECT_EQ(ReadBytes, "AB");
    Port.WriteString("still sending");
    EXPECT_EQ(Peer->Read(13, 5s), "still sending");
}

TEST_F(ComPortDataTest, HandlerReadingLateLeavesTheNextCountRight) {
    Port.SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t Count) {
        Counts.push_back(Count);
        if (Counts.size() == 1) {
            // The next byte, and its notification, come while this handler still runs.
            Peer->Write("B");
            std::this_thread::sleep_for(3500ms);
        }
        for (int i = 0; i < Count; ++i)
            ReadBytes += static_cast<char>(CP.ReadChar());
    });
    ASSERT_TRUE(Peer->Write("A"));
    ASSERT_TRUE(WaitUntil([&] { return Counts.size() == 2; }));
    EXPECT_EQ(Counts, (std::vector<std::uint16_t>{1, 1}));
    EXPECT_EQ(ReadBytes, "AB");
    EXPECT_TRUE(Reports.empty());
    EXPECT_EQ(Port.Dispatcher()->InputCount(), 0u);
}

// While a notification waits for this thread, a switch from outside any handler happens at once
// and a failure reaches its caller.
TEST_F(ComPortDataTest, SwitchWhileANotificationWaitsRaisesToTheCaller) {
    TVirtualComPort* peers[] = {Peer, &AddPort(2)};
    AddPort(3);
    TSioComPort holder;
    holder.SetComNumber(3);
    holder.SetOpen(true);
    for (std::uint16_t target : {2, 3}) {
        ASSERT_TRUE(HandLineToWorker(Port, [&] { return peers[target - 2]->Write("s"); }));
        RecordNotifications();
        ASSERT_TRUE(peers[target - 2]->Write("w"));
        for (int i = 0; i < 1000 && !Port.Dispatcher()->Dispatching(); ++i)
            std::this_thread::sleep_for(5ms);
        if (target == 3)
            EXPECT_THROW(Port.SetComNumber(target), EAlreadyOpen);
        else
            Port.SetComNumber(target);
        EXPECT_EQ(Port.Open(), target == 2);
    }
    EXPECT_TRUE(Counts.empty());
}

TEST_F(ComPortDataTest, HandlerAssignedWhileOpenIsServedAtOnce) {
    Port.SetOnTriggerAvail(nullptr);
    Port.SetOnTrigger([&](TSioCustomComPort&, std::uint16_t Msg, std::uint16_t TriggerHandle,
                          std::uint16_t Data) {
        EXPECT_EQ(Msg, 0x7E01);
        EXPECT_EQ(TriggerHandle, Data);
        Counts.push_back(TriggerHandle);
    });
    ASSERT_TRUE(Peer->Write("t"));
    ASSERT_TRUE(WaitForNotifications(1));
    EXPECT_EQ(Counts[0], 1);
}

} // namespace
