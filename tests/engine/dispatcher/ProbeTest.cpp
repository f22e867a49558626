// Port probing and the classification of refused opens, on pseudo-terminals.
#include "EngineTestSupport.h"
#include "serial/engine/ports/SioOpenFailure.h"
#include "serial/engine/ports/SioPortNames.h"
#include "serial/engine/ports/SioProbePort.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(10);
        if (!ProbePort(1))
            _exit(11);
        TSioPosixDispatcher dispatcher(nullptr, nullptr);
        TSioResult result = dispatcher.OpenPort(DevicePath(1), 1200, NoParity, 8, 1, 64, 64, 3);
        bool refused =
            result == -EACCES && ClassifyOpenResult(result) == TSioOpenFailure::NoPermission;
        _exit(refused ? 0 : 12);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
