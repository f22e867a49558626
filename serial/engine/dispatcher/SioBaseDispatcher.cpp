#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include "serial/engine/dispatcher/SioDispatcherRegistry.h"
#include "serial/engine/trace/SioClock.h"

#include <cerrno>
#include <new>
#include <vector>

TSioBaseDispatcher::TSioBaseDispatcher(TSioDispatcherOwner* owner, ISioWindowMessenger* messenger)
    : Owner_(owner), Messenger_(messenger) {
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
        InSize_ = inSize;
        OutSize_ = outSize;
    } catch (const std::bad_alloc&) {
        ClosePort();
        return ecOutOfMemory;
    }
    {
        std::lock_guard lock(StateLock_);
        LineStatus_.SetErrors(0);
        ClosePending_ = false;
        Line_.Rs485 = false;
        ReadDeviceSettings(Line_.Settings);
    }
    OutputSinceOpen_ = false;

    if (flags & OpenDtrByFlow) {
        Line_.DtrByFlow = true;
    } else {
        Line_.DtrByFlow = false;
        DriveDtr((flags & OpenDtrOn) != 0);
    }
    if (flags & OpenRtsByFlow) {
        Line_.RtsByFlow = true;
    } else {
        Line_.RtsByFlow = false;
        DriveRts((flags & OpenRtsOn) != 0);
    }

    {
        std::lock_guard inputLock(InputLock_);
        Input_.Reset();
        NotifyPos_ = 0;
    }
    {
        std::lock_guard lock(StateLock_);
        AvailThreshold_ = 0;
        LineStatus_.ResetModem();
        LineStatus_.Refresh(ReadModemLines(), 0xF0);
        LastRate_ = 115200;
    }

    result = ApplyLine(baud, parity, dataBits, stopBits);
    if (result != 0) {
        ClosePort();
        return result;
    }
    RefreshLineErrors();
    {
        std::lock_guard lock(StateLock_);
        Recorders_.TraceRecorder.Discard();
        Recorders_.LogRecorder.Discard();
        Recorders_.Log.SetStartTime(SioMilliseconds());
    }
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
