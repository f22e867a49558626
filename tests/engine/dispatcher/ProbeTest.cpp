// Port probing and the classification of refused opens, on pseudo-terminals.
#include "EngineTestSupport.h"
#include "serial/engine/ports/SioOpenFailure.h"
#include "serial/engine/ports/SioPortNames.h"
#include "serial/engine/ports/SioProbePort.h"

#include <fcntl.h>
#include <functional>
#include <iostream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs `check` in a child process, as user and group 65534 when `unprivileged` and the test runs
// as root; the child's exit status: 0 when the check held, 10 when it could not drop.
int CheckInChild(bool unprivileged, const std::function<bool()>& check) {
    pid_t child = fork();
    if (child == 0) {
        if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(10);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    bool ended = child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status);
    return ended ? WEXITSTATUS(status) : -1;
}

bool OpenRefusedAs(TSioOpenFailure failure) {
    TSioPosixDispatcher dispatcher(nullptr, nullptr);
    TSioResult result = dispatcher.OpenPort(DevicePath(1), 1200, NoParity, 8, 1, 64, 64, 3);
    return ClassifyOpenResult(result) == failure;
}

} // namespace

class ProbeTest : public TEngineTest {};

TEST_F(ProbeTest, PortZeroIsNeverAvailable) {
    EXPECT_FALSE(ProbePort(0));
}

TEST_F(ProbeTest, FreePortIsAvailableAndStaysFree) {
    EXPECT_TRUE(ProbePort(1));
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    EXPECT_EQ(OpenLikeComponent(dispatcher, DevicePath(1), Window.Handle()), 0);
}

TEST_F(ProbeTest, BusyPortIsAvailableAndRefusesASecondOpen) {
    TSioPosixDispatcher holder(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(holder, DevicePath(1), Window.Handle()), 0);
    EXPECT_TRUE(ProbePort(1));
    TSioPosixDispatcher second(nullptr, &Messenger);
    TSioResult result = second.OpenPort(DevicePath(1), 1200, NoParity, 8, 1, 4096, 4096, 3);
    EXPECT_EQ(ClassifyOpenResult(result), TSioOpenFailure::Busy) << result;
    EXPECT_EQ(second.DeviceHandle(), result);
    EXPECT_EQ(second.RunningWorkers(), 0);
    // The refused open took nothing: the holder still works.
    ASSERT_EQ(holder.QueueBlock("ok", 2), 0);
    EXPECT_EQ(PeerRead(2), "ok");
}

TEST_F(ProbeTest, MissingPortIsNotAvailable) {
    EXPECT_FALSE(ProbePort(2));
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    TSioResult result = dispatcher.OpenPort(DevicePath(2), 1200, NoParity, 8, 1, 4096, 4096, 3);
    EXPECT_EQ(result, -ENOENT);
    EXPECT_EQ(ClassifyOpenResult(result), TSioOpenFailure::Missing);
    // The multiplexer makes a new pseudo-terminal at every open: no port either.
    ASSERT_EQ(symlink("/dev/ptmx", DevicePath(3).c_str()), 0);
    EXPECT_FALSE(ProbePort(3));
    EXPECT_EQ(dispatcher.OpenPort(DevicePath(3), 1200, NoParity, 8, 1, 4096, 4096, 3), -ENODEV);
    // A vanished device leaves a dangling link: still missing.
    Port.Unplug();
    EXPECT_FALSE(ProbePort(1));
}

TEST_F(ProbeTest, FileThatIsNoTerminalIsNotAvailable) {
    std::string plain = Dir.Path() + "/COM3";
    FILE* file = std::fopen(plain.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_FALSE(ProbePort(3));
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    TSioResult result = dispatcher.OpenPort(plain, 1200, NoParity, 8, 1, 4096, 4096, 3);
    EXPECT_EQ(ClassifyOpenResult(result), TSioOpenFailure::Other) << result;
}

// The port exists but this user may not open it: listed, and the open says why. Run as an
// unprivileged user in a child process, since root may open anything.
TEST_F(ProbeTest, PortWithoutPermissionIsListedAndRefused) {
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(Port.TerminalPath().c_str(), 0600), 0);
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(Port.TerminalPath().c_str(), 0), 0);
    }
    EXPECT_EQ(
        CheckInChild(true,
                     [] { return ProbePort(1) && OpenRefusedAs(TSioOpenFailure::NoPermission); }),
        0);
}

// Another process made the terminal exclusive without a lock: busy for root, who passes that flag,
// as for anyone else, and the flag stays that process's.
TEST_F(ProbeTest, TerminalMadeExclusiveElsewhereIsBusyAndKeepsItsFlag) {
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(Port.TerminalPath().c_str(), 0666), 0);
    const int holder = open(Port.TerminalPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(ioctl(holder, TIOCEXCL), 0);
    for (bool unprivileged : {false, true}) {
        if (!unprivileged && geteuid() != 0) {
            std::cout << "root case skipped: the test does not run as root\n";
            continue;
        }
        EXPECT_EQ(CheckInChild(unprivileged,
                               [] { return ProbePort(1) && OpenRefusedAs(TSioOpenFailure::Busy); }),
                  0)
            << unprivileged;
    }
    int exclusive = 0;
    EXPECT_EQ(ioctl(holder, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    close(holder);
}
