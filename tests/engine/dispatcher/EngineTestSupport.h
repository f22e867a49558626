#pragma once
// Shared pieces of the engine tests: a virtual port with its peer, a window on the test thread
// that records the notifications it handles, and dispatchers whose device can be held back.
//
// The test thread plays the component's window thread: it pumps the plain messenger while it
// waits for a condition (bounded by a deadline), so notifications are handled on it.

#include "serial/engine/messenger/SioQueueMessenger.h"
#include "serial/engine/posix/SioPosixDispatcher.h"
#include "tools/virtualport/VirtualComPort.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

inline constexpr std::chrono::seconds TestDeadline{10};

// The dispatcher as the component sets it up: 1200 8N1, sizes 4096, DTR and RTS on, trigger
// length 1, the owner handles events, one window.
inline constexpr std::uint32_t ComponentQueueSize = 4096;
TSioResult OpenLikeComponent(TSioBaseDispatcher& dispatcher, const std::string& path,
                             TSioWindowHandle window, std::uint32_t outSize = ComponentQueueSize);

// A window on the calling thread that remembers every MsgTriggerAvail count and runs an
// optional handler for it.
class TRecordingWindow {
public:
    using THandler = std::function<void(std::uintptr_t count)>;

    explicit TRecordingWindow(TSioQueueMessenger& messenger);
    ~TRecordingWindow();
    TRecordingWindow(const TRecordingWindow&) = delete;
    TRecordingWindow& operator=(const TRecordingWindow&) = delete;

    TSioWindowHandle Handle() const { return Handle_; }
    void SetHandler(THandler handler) { Handler_ = std::move(handler); }
    const std::vector<std::uintptr_t>& Counts() const { return Counts_; }
    std::intptr_t LastLParam() const { return LastLParam_; }

private:
    TSioQueueMessenger& Messenger_;
    TSioWindowHandle Handle_;
    THandler Handler_;
    std::vector<std::uintptr_t> Counts_;
    std::intptr_t LastLParam_ = 0;
};

// A dispatcher whose device writes can be held: each write waits until the test grants bytes
// (or opens the gate), and a granted "nothing written" lets a test make the output worker take
// its next piece while the ring is in a chosen state.
class TGatedDispatcher : public TSioPosixDispatcher {
public:
    TGatedDispatcher(TSioDispatcherOwner* owner, ISioWindowMessenger* messenger)
        : TSioPosixDispatcher(owner, messenger) {}
    ~TGatedDispatcher() override {
        OpenGate();
        Shutdown();
    }

    void Grant(std::uint32_t bytes);
    void GrantEmptyWrite();
    void OpenGate();
    // Waits until the output worker has entered `count` writes in all.
    bool WaitForWrites(std::uint32_t count);

protected:
    std::int32_t WriteDevice(const std::uint8_t* data, std::uint32_t count) override;
    // A held device takes nothing at once: every byte goes through the output worker.
    std::int32_t WriteDirect(const std::uint8_t*, std::uint32_t) override { return 0; }
    // While an output purge runs, a held write gives up as a full device would (EAGAIN), so
    // the worker can see the flush request, as it does when it waits for a real device.
    TSioResult PurgeDevice(TSioPurgeTarget which) override;

private:
    std::mutex Lock_;
    std::condition_variable Changed_;
    std::uint32_t Budget_ = 0;
    std::uint32_t EmptyWrites_ = 0;
    std::uint32_t Entered_ = 0;
    bool Open_ = false;
    bool Purging_ = false;
};

// A temporary port folder with one virtual port COM1, a messenger and a recording window.
class TEngineTest : public ::testing::Test {
protected:
    TEngineTest();

    // Pumps the test thread's messages until `done` holds or the deadline passes.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds deadline = TestDeadline);
    // Reads `count` bytes at the peer.
    std::string PeerRead(std::size_t count);
    // Takes every announced byte into Taken.
    void TakeOnNotify(TSioBaseDispatcher& dispatcher);

    struct TWakeups {
        std::uint64_t Event = 0;
        std::uint64_t Dispatch = 0;
        std::uint64_t Output = 0;
    };
    // How often each worker woke while the test thread pumped messages for a second.
    TWakeups WakeupsOverASecond(const TSioPosixDispatcher& dispatcher);

    TVirtualComDir Dir;
    TVirtualComPort Port;
    TSioQueueMessenger Messenger;
    TRecordingWindow Window;
    std::string Taken;
};

std::string TestBytes(std::size_t count, std::uint8_t first = 0);
// Entries of /proc/self/fd and /proc/self/task.
std::size_t OpenDescriptorCount();
std::size_t ThreadCount();
// Bytes the allocator has handed out and not had back.
std::size_t HeapInUse();
