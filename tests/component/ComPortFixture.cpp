#include "ComPortFixture.h"

#include <fcntl.h>
#include <unistd.h>

ComPortTest::ComPortTest()
    : Capture([this](const std::string&, const std::string& text) { Reports.push_back(text); }) {
    ApplyFormSettings(Port);
}

TVirtualComPort& ComPortTest::AddPort(unsigned n) {
    auto& port = Ports[n];
    port = std::make_unique<TVirtualComPort>(Dir, n);
    return *port;
}

termios ComPortTest::TerminalSettings(const TVirtualComPort& port) {
    termios settings{};
    const int fd = open(port.TerminalPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    if (fd >= 0) {
        EXPECT_EQ(tcgetattr(fd, &settings), 0);
        close(fd);
    }
    return settings;
}

void ComPortTest::ApplyFormSettings(TSioCustomComPort& port) {
    port.SetBaud(1200);
    port.SetTraceName("SIO.TRC");
    port.SetLogName("SIO.LOG");
}

void ComPortTest::RecordNotifications() {
    Port.SetOnTriggerAvail([this](TSioCustomComPort& CP, std::uint16_t Count) {
        Counts.push_back(Count);
        const int n = ReadPerNotification < 0 ? Count : ReadPerNotification;
        for (int i = 0; i < n; ++i)
            ReadBytes += static_cast<char>(CP.ReadChar());
    });
}

bool ComPortTest::WaitForNotifications(std::size_t n) {
    return WaitUntil([&] { return Counts.size() >= n; });
}

void OpenWithOtherComponent(std::uint16_t n) {
    TSioComPort other;
    other.SetComNumber(n);
    other.SetOpen(true);
    EXPECT_TRUE(other.Open());
}
