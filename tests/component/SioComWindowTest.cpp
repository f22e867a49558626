#include "ComPortFixture.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

namespace {

// Reaches the component's window the way a dispatcher's worker would.
class TWindowProbePort : public TSioCustomComPort {
public:
    using TSioCustomComPort::NotifyWindowHandle;
};

class ComWindowTest : public ComPortTest {
protected:
    void SetUp() override {
        AddPort(1);
        Probe.SetComNumber(1);
        Probe.SetOnTrigger([this](TSioCustomComPort&, std::uint16_t Msg, std::uint16_t Handle,
                                  std::uint16_t Data) {
            Events.push_back("trigger " + std::to_string(Msg) + " " + std::to_string(Handle) + " " +
                             std::to_string(Data));
        });
        Probe.SetOnTriggerStatus([this](TSioCustomComPort&, std::uint16_t Handle) {
            Events.push_back("status " + std::to_string(Handle));
        });
        Probe.SetOnTriggerLineError([this](TSioCustomComPort&, std::uint16_t Error, bool Break) {
            Events.push_back("line error " + std::to_string(Error) + " " + std::to_string(Break));
        });
        Probe.SetOnTriggerModemStatus([this](TSioCustomComPort&) { Events.push_back("modem"); });
        Probe.SetOnTriggerOutSent([this](TSioCustomComPort&) { Events.push_back("sent"); });
        Probe.SetOnTriggerData([this](TSioCustomComPort&, std::uint16_t Handle) {
            Events.push_back("data " + std::to_string(Handle));
        });
        Probe.SetOpen(true);
    }

    // Posts and waits until the window has handled everything up to a marker message.
    void Deliver(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        TQtWindowMessenger& messenger = TQtWindowMessenger::Instance();
        ASSERT_TRUE(messenger.Post(Probe.NotifyWindowHandle(), message, wParam, lParam));
        const std::size_t before = Events.size();
        ASSERT_TRUE(messenger.Post(Probe.NotifyWindowHandle(), MsgTriggerTimer, 99, Own(0)));
        ASSERT_TRUE(WaitUntil(
            [&] { return Events.size() > before && Events.back() == "trigger 32259 99 0"; }));
        Events.pop_back();
    }

    std::intptr_t Own(std::uint16_t low) const {
        return MakeNotifyLParam(Probe.Dispatcher()->RegistryIndex(), low);
    }

    TWindowProbePort Probe;
    std::vector<std::string> Events;
};

TEST_F(ComWindowTest, StatusKindsRaiseTheirEventsAfterTheGeneralTrigger) {
    Deliver(MsgTriggerStatus, 0x0A, Own(7));
    Deliver(MsgTriggerStatus, 0x11, Own(0));
    Deliver(MsgTriggerStatus, 0x15, Own(0));
    Deliver(MsgTriggerData, 4, Own(3));
    EXPECT_EQ(Events, (std::vector<std::string>{"trigger 32260 10 7", "status 10", "line error 0 0",
                                                "trigger 32260 17 0", "status 17", "modem",
                                                "trigger 32260 21 0", "status 21", "sent",
                                                "trigger 32258 4 3", "data 4"}));
}

TEST_F(ComWindowTest, MessagesForOtherDispatchersOrOtherNumbersAreIgnored) {
    const std::int32_t unused = Probe.Dispatcher()->RegistryIndex() + 100;
    Deliver(MsgTriggerAvail, 3, MakeNotifyLParam(unused, 0));
    Deliver(0x7E05, 3, Own(0));
    Deliver(0x0400, 3, Own(0));
    EXPECT_TRUE(Events.empty());
}

} // namespace
