#include "serial/engine/trace/SioDispatchLog.h"

#include "serial/engine/trace/SioLogFormat.h"
#include "serial/engine/trace/SioTextFile.h"

#include <new>

TSioDispatchLog::TSioDispatchLog(TSioMillisecondClock clock, TSioLocalTimeClock localTime)
    : Clock_(clock), LocalTime_(localTime) {}

void TSioDispatchLog::SetClocks(TSioMillisecondClock clock, TSioLocalTimeClock localTime) {
    Clock_ = clock;
    LocalTime_ = localTime;
}

TSioResult TSioDispatchLog::Start(std::uint32_t capacity) {
    if (Ring_.Allocated()) {
        Ring_.Reset();
    } else {
        try {
            Ring_.Allocate(capacity);
        } catch (const std::bad_alloc&) {
            // The log is optional diagnostics: without memory it records nothing.
        }
    }
    Recording_ = true;
    return ecOK;
}

void TSioDispatchLog::Clear() {
    Ring_.Reset();
}

void TSioDispatchLog::Discard() {
    Recording_ = false;
    Ring_.Free();
}

void TSioDispatchLog::Pause() {
    Recording_ = false;
}

void TSioDispatchLog::Resume() {
    Recording_ = Ring_.Allocated();
}

void TSioDispatchLog::Record(std::uint8_t type, std::uint8_t subtype, std::int32_t value,
                             const std::uint8_t* data, std::uint32_t count) {
    if (!Recording_ || !Ring_.Allocated() || (data == nullptr && count > 0)) {
        return;
    }
    TSioLogHeader header;
    header.Type = type;
    header.Subtype = subtype;
    header.Time = Clock_() - StartTime_;
    header.Value = value;
    header.Length = count;
    Ring_.Put(header, data);
}

TSioResult TSioDispatchLog::WriteFile(const std::string& name, bool append, bool hex, bool allHex) {
    return WriteFile(name, append, hex, allHex, DeviceName_);
}

TSioResult TSioDispatchLog::WriteFile(const std::string& name, bool append, bool hex, bool allHex,
                                      const std::string& deviceName) {
    Recording_ = false;
    if (Ring_.Empty()) {
        Ring_.Free();
        return ecOK;
    }
    TSioTextFile file;
    if (const TSioResult opened = file.Open(name, append); opened < 0) {
        return opened;
    }
    WriteLogHeader(file, SioOsDescription(), deviceName, LocalTime_());
    TSioLogHeader header;
    std::span<const std::uint8_t> data;
    while (Ring_.ReadNext(header, data)) {
        WriteLogEntry(file, header, data, hex, allHex);
    }
    const TSioResult closed = file.Close();
    Ring_.Free();
    return closed;
}
