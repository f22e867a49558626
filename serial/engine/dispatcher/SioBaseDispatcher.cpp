#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include "serial/engine/dispatcher/SioDispatcherRegistry.h"

#include <cerrno>
#include <new>
#include <vector>

TSioBaseDispatcher::TSioBaseDispatcher(TSioDispatcherOwner* owner, ISioWindowMessenger* messenger)
    : TSioDispatcherRecorders(StateLock_), Owner_(owner), Messenger_(messenger) {
    RegistryIndex_ = DispatcherRegistry().Register(this);
}

TSioBaseDispatcher::~TSioBaseDispatcher() {
    DispatcherRegistry().Unregister(RegistryIndex_);
}

void TSioBaseDispatcher::Shutdown() {
    if (ClosePending_.load())
        ReleaseResources();
    else
        ClosePort();
    WaitHandlingMessages([this] { return Workers_.Running() == 0; }, !CalledFromWorker());
    WaitDetachedDeliveryEnd();
}

TSioResult TSioBaseDispatcher::OpenPort(const std::string& deviceName, std::uint32_t baud,
                                        std::uint8_t parity, std::uint8_t dataBits,
                                        std::uint8_t stopBits, std::uint32_t inSize,
                                        std::uint32_t outSize, std::uint32_t flags) {
    Dispatching_ = false;
    if (RegistryIndex_ < 0)
        return ecNoHandles;

    std::int32_t handle = OpenDevice(deviceName, inSize, outSize);
    DeviceHandle_ = handle;
    if (handle < 0) {
        ClosePort();
        return handle;
    }
    TSioResult result = ApplyQueueSizes(inSize, outSize);
    if (result != 0) {
        ClosePort();
        return result;
    }

    try {
        std::lock_guard inputLock(InputLock_);
        std::lock_guard outputLock(OutputLock_);
        Input_.Allocate();
        Output_.Allocate(outSize);
        OutSize_ = outSize;
    } catch (const std::bad_alloc&) {
        ClosePort();
        return ecOutOfMemory;
    }
    {
        std::lock_guard lock(StateLock_);
        ClosePending_ = false;
        AvailThreshold_ = 0;
    }
    ResetLine(inSize, flags);
    {
        std::lock_guard inputLock(InputLock_);
        Input_.Reset();
        NotifyPos_ = 0;
    }

    result = ApplyLine(baud, parity, dataBits, stopBits);
    if (result != 0) {
        ClosePort();
        return result;
    }
    RefreshLineErrors();
    ResetRecorders();
    StartWorkers();
    return ecOK;
}

void TSioBaseDispatcher::ClosePort() {
    if (DeviceHandle_.load() >= 0) {
        PurgeOutput();
        PurgeInput();
        DeviceHandle_ = -1;
        CloseDevice();
    }
    if (Dispatching_.load()) {
        ClosePending_ = true;
        // A delivery still queued for a window is dropped at once, so a close from another
        // thread does not wait out the send time-out; a handler that runs finishes normally.
        ReleasePendingSends();
        return;
    }
    ReleaseResources();
}

TSioResult TSioBaseDispatcher::ApplyQueueSizes(std::uint32_t inSize, std::uint32_t outSize) {
    return SizeDeviceQueues(inSize, outSize) ? ecOK : -EINVAL;
}

void TSioBaseDispatcher::ReleaseResources() {
    // After a close during a delivery this runs on the dispatch worker and on the closing
    // thread: StopWorkers and FreeRings are safe to run twice and hold no lock while waiting.
    {
        std::lock_guard lock(StateLock_);
        Workers_.SetReleaseOnExit(false);
    }
    StopWorkers();
    // A handler may still run for a detached delivery: its takes read the rings until it returns
    // or its send times out.
    WaitDetachedDeliveryEnd();
    FreeRings();
}

void TSioBaseDispatcher::FreeRings() {
    std::lock_guard inputLock(InputLock_);
    std::lock_guard outputLock(OutputLock_);
    Input_.Free();
    Output_.Free();
}

void TSioBaseDispatcher::WorkerExit(TSioWorkerKind worker) {
    Workers_.MarkEnded(worker);
    if (worker == TSioWorkerKind::Dispatch) {
        bool release;
        {
            std::lock_guard lock(StateLock_);
            release = Workers_.ReleaseOnExit();
        }
        if (release)
            ReleaseResources();
    }
    ExitWait_.Wake([this] { Workers_.CountOut(); });
}

void TSioBaseDispatcher::ReleasePendingSends() {
    if (!Messenger_)
        return;
    std::vector<TSioWindowHandle> windows;
    {
        std::lock_guard lock(StateLock_);
        windows = NotifyWindowList_.Windows();
    }
    for (TSioWindowHandle window : windows)
        Messenger_->ReleaseSends(window);
}

void TSioBaseDispatcher::WaitHandlingMessages(const std::function<bool()>& done,
                                              bool handleMessages) {
    ExitWait_.Wait(done, handleMessages);
}
