// The plain messenger's input watches: input, a trigger, or a change from another thread each
// end the owner's wait, and a watch that is off or gone calls nothing.
#include "serial/engine/messenger/SioQueueMessenger.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

struct TPipe {
    TPipe() { EXPECT_EQ(pipe2(Fds, O_NONBLOCK), 0); }
    ~TPipe() {
        close(Fds[0]);
        close(Fds[1]);
    }
    void Put() { ASSERT_EQ(write(Fds[1], "x", 1), 1); }
    void Drain() {
        char bytes[16];
        while (read(Fds[0], bytes, sizeof bytes) > 0) {
        }
    }
    int Fds[2];
};

TEST(MessengerWatch, RunsOnItsOwnThreadOnlyWhileOnAndWhileItLives) {
    TSioQueueMessenger messenger;
    const TSioWindowHandle window = messenger.CreateWindow([](auto, auto, auto) {});
    TPipe line;
    int calls = 0;
    std::unique_ptr<ISioInputWatch> watch = messenger.WatchInput(window, line.Fds[0], [&] {
        ++calls;
        line.Drain();
    });
    ASSERT_NE(watch, nullptr);

    line.Put();
    EXPECT_FALSE(messenger.ProcessOnePending(30ms));
    EXPECT_EQ(calls, 0);

    // Switched on from another thread while the owner waits: the wait ends and the input is
    // handled as one message.
    std::thread other([&] {
        std::this_thread::sleep_for(20ms);
        watch->SetEnabled(true);
    });
    EXPECT_TRUE(messenger.ProcessOnePending(10s));
    other.join();
    EXPECT_EQ(calls, 1);

    // Ready input is handled even by a pass that may not wait.
    line.Put();
    EXPECT_TRUE(messenger.ProcessOnePending(0ms));
    EXPECT_EQ(calls, 2);

    // A trigger calls once, without input and whether on or not.
    watch->SetEnabled(false);
    watch->Trigger();
    EXPECT_TRUE(messenger.ProcessOnePending(10s));
    EXPECT_EQ(calls, 3);
    line.Put();
    watch->Trigger();
    EXPECT_TRUE(messenger.ProcessOnePending(10s));
    EXPECT_FALSE(messenger.ProcessOnePending(30ms));
    EXPECT_EQ(calls, 4);

    line.Put();
    watch->SetEnabled(true);
    watch.reset();
    EXPECT_FALSE(messenger.ProcessOnePending(30ms));
    EXPECT_EQ(calls, 4);

    // Only the window's own thread may watch.
    std::thread stranger(
        [&] { EXPECT_EQ(messenger.WatchInput(window, line.Fds[0], [] {}), nullptr); });
    stranger.join();
    messenger.DestroyWindow(window);
}

} // namespace
