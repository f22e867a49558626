#include "serial/engine/dispatcher/SioLockedRecorder.h"

template <class TAction> TSioResult TSioLockedRecorder::Locked(TAction action) {
    std::lock_guard lock(StateLock_);
    const TSioResult result = action(Recorder_);
    On_ = Recorder_.Recording();
    return result;
}

TSioResult TSioLockedRecorder::Start(std::uint32_t capacity) {
    return Locked([capacity](ISioRecorder& recorder) { return recorder.Start(capacity); });
}

TSioResult TSioLockedRecorder::Clear() {
    return Locked([](ISioRecorder& recorder) {
        recorder.Clear();
        return ecOK;
    });
}

void TSioLockedRecorder::Discard() {
    Locked([](ISioRecorder& recorder) {
        recorder.Discard();
        return ecOK;
    });
}

void TSioLockedRecorder::Pause() {
    Locked([](ISioRecorder& recorder) {
        recorder.Pause();
        return ecOK;
    });
}

void TSioLockedRecorder::Resume() {
    Locked([](ISioRecorder& recorder) {
        recorder.Resume();
        return ecOK;
    });
}

TSioResult TSioLockedRecorder::WriteFile(const std::string& name, bool append, bool hex,
                                         bool allHex) {
    return Locked(
        [&](ISioRecorder& recorder) { return recorder.WriteFile(name, append, hex, allHex); });
}
