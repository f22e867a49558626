#include "EngineTestSupport.h"

#include "serial/engine/dispatcher/SioLineSettings.h"

#include <cerrno>
#include <filesystem>
#include <malloc.h>
#include <thread>

TSioResult OpenLikeComponent(TSioBaseDispatcher& dispatcher, const std::string& path,
                             TSioWindowHandle window, std::uint32_t outSize) {
    TSioResult result = dispatcher.OpenPort(path, 1200, NoParity, 8, 1, ComponentQueueSize, outSize,
                                            OpenDtrOn | OpenRtsOn);
    if (result != 0)
        return result;
    dispatcher.RefreshHandlerState(TSioHandlerState::OwnerHandles);
    dispatcher.SetAvailThreshold(1);
    dispatcher.AddNotifyWindow(window);
    return 0;
}

TRecordingWindow::TRecordingWindow(TSioQueueMessenger& messenger) : Messenger_(messenger) {
    Handle_ = Messenger_.CreateWindow(
        [this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
            if (message != MsgTriggerAvail)
                return;
            Counts_.push_back(wParam);
            LastLParam_ = lParam;
            if (Handler_)
                Handler_(wParam);
        });
}

TRecordingWindow::~TRecordingWindow() {
    Messenger_.DestroyWindow(Handle_);
}

void TGatedDispatcher::Grant(std::uint32_t bytes) {
    std::lock_guard lock(Lock_);
    Budget_ += bytes;
    Changed_.notify_all();
}

void TGatedDispatcher::GrantEmptyWrite() {
    std::lock_guard lock(Lock_);
    ++EmptyWrites_;
    Changed_.notify_all();
}

void TGatedDispatcher::OpenGate() {
    std::lock_guard lock(Lock_);
    Open_ = true;
    Changed_.notify_all();
}

bool TGatedDispatcher::WaitForWrites(std::uint32_t count) {
    std::unique_lock lock(Lock_);
    return Changed_.wait_for(lock, TestDeadline, [&] { return Entered_ >= count; });
}

std::int32_t TGatedDispatcher::WriteDevice(const std::uint8_t* data, std::uint32_t count) {
    std::uint32_t allowed;
    {
        std::unique_lock lock(Lock_);
        ++Entered_;
        Changed_.notify_all();
        Changed_.wait(lock, [&] { return Open_ || Purging_ || Budget_ > 0 || EmptyWrites_ > 0; });
        if (Purging_)
            return -EAGAIN;
        if (Open_) {
            allowed = count;
        } else if (EmptyWrites_ > 0) {
            --EmptyWrites_;
            return 0;
        } else {
            allowed = std::min(count, Budget_);
            Budget_ -= allowed;
        }
    }
    return TSioPosixDispatcher::WriteDevice(data, allowed);
}

TSioResult TGatedDispatcher::PurgeDevice(TSioPurgeTarget which) {
    if (which != TSioPurgeTarget::Output)
        return TSioPosixDispatcher::PurgeDevice(which);
    {
        std::lock_guard lock(Lock_);
        Purging_ = true;
        Changed_.notify_all();
    }
    TSioResult result = TSioPosixDispatcher::PurgeDevice(which);
    std::lock_guard lock(Lock_);
    Purging_ = false;
    return result;
}

TEngineTest::TEngineTest() : Port(Dir, 1), Window(Messenger) {}

bool TEngineTest::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        Messenger.ProcessOnePending(std::chrono::milliseconds(10));
    }
    return true;
}

std::string TEngineTest::PeerRead(std::size_t count) {
    return Port.Read(count, std::chrono::milliseconds(TestDeadline));
}

void TEngineTest::TakeOnNotify(TSioBaseDispatcher& dispatcher) {
    Window.SetHandler([this, &dispatcher](std::uintptr_t count) {
        for (std::uintptr_t i = 0; i < count; ++i) {
            std::uint8_t byte = 0;
            if (dispatcher.TakeByte(byte) == 0)
                Taken.push_back(static_cast<char>(byte));
        }
    });
}

TEngineTest::TWakeups TEngineTest::WakeupsOverASecond(const TSioPosixDispatcher& dispatcher) {
    const TWakeups before{dispatcher.EventWorkerWakeups(), dispatcher.DispatchWorkerWakeups(),
                          dispatcher.OutputWorkerWakeups()};
    PumpUntil([] { return false; }, std::chrono::seconds(1));
    return {dispatcher.EventWorkerWakeups() - before.Event,
            dispatcher.DispatchWorkerWakeups() - before.Dispatch,
            dispatcher.OutputWorkerWakeups() - before.Output};
}

std::string TestBytes(std::size_t count, std::uint8_t first) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i)
        bytes.push_back(static_cast<char>(static_cast<std::uint8_t>(first + i)));
    return bytes;
}

namespace {
std::size_t CountEntries(const char* folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}
} // namespace

std::size_t OpenDescriptorCount() {
    return CountEntries("/proc/self/fd");
}
std::size_t ThreadCount() {
    // A sanitizer starts a helper thread of its own with the process's first thread. One is
    // started once here, so the helper is there before any count, also in a test that starts
    // no other thread.
    static const bool settled = [] {
        std::thread([] {}).join();
        return true;
    }();
    static_cast<void>(settled);
    return CountEntries("/proc/self/task");
}

std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}
