#pragma once
// The dispatch log: timestamped dispatcher events (device reads, queued writes, notifications,
// notification windows, threshold changes) kept in a byte ring that evicts its oldest entries.
//
// Owns the ring and its scratch area, allocated only by Start and freed by Discard and by a
// WriteFile that opened its file; Record never allocates and never touches a file. The class
// takes no lock: its owner (the dispatcher) guards every call with its state lock.
//
// An entry that cannot fit the ring whole (header and data together), or whose header alone is
// not smaller than the ring, is dropped whole, so the ring always reads back as whole entries.
// WriteFile returns 0 or minus errno; when the file cannot be opened the ring stays allocated
// with recording off, otherwise the ring is freed. A capacity of 0 creates no ring: recording is
// nominally on, nothing is kept and WriteFile writes no file; so does a Start without memory for
// the ring.

#include "serial/engine/errors/SioResultCodes.h"
#include "serial/engine/trace/SioClock.h"
#include "serial/engine/trace/SioLogRing.h"
#include "serial/engine/trace/SioRecorder.h"

#include <cstdint>
#include <string>
#include <utility>

class TSioDispatchLog final : public ISioRecorder {
public:
    TSioDispatchLog() = default;
    // For tests: fixed clocks (non-null) for entry times and for the header's date and time.
    TSioDispatchLog(TSioMillisecondClock clock, TSioLocalTimeClock localTime);
    void SetClocks(TSioMillisecondClock clock, TSioLocalTimeClock localTime);

    // Creates a ring of capacity bytes, or empties the existing one keeping its capacity;
    // recording on.
    TSioResult Start(std::uint32_t capacity) override;
    // Forgets the entries; recording unchanged.
    void Clear() override;
    // Recording off; ring and scratch area freed.
    void Discard() override;
    void Pause() override;
    // Recording on if a ring exists.
    void Resume() override;
    bool Recording() const override { return Recording_; }
    bool HasRing() const { return Ring_.Allocated(); }

    // Entry times count from this clock value (taken when the port opens).
    void SetStartTime(std::uint32_t ms) { StartTime_ = ms; }
    // The device the file's header names ("COM<n>").
    void SetDeviceName(std::string name) { DeviceName_ = std::move(name); }
    const std::string& DeviceName() const { return DeviceName_; }

    // Keeps one entry while recording: the header and count bytes at data (which may be null
    // only when count is 0; an entry that breaks this is dropped).
    void Record(std::uint8_t type, std::uint8_t subtype, std::int32_t value,
                const std::uint8_t* data, std::uint32_t count);

    // Writes seven header lines and one line per entry, oldest first, CR LF after every line.
    // No entry: the ring is freed, no file is touched and the result is 0. With append the text
    // goes to the end of an existing file; otherwise the file is replaced.
    TSioResult WriteFile(const std::string& name, bool append, bool hex, bool allHex,
                         const std::string& deviceName);
    // As above, naming the device set by SetDeviceName.
    TSioResult WriteFile(const std::string& name, bool append, bool hex, bool allHex) override;

private:
    TSioLogRing Ring_;
    TSioMillisecondClock Clock_ = SioMilliseconds;
    TSioLocalTimeClock LocalTime_ = SioLocalTime;
    std::uint32_t StartTime_ = 0;
    std::string DeviceName_;
    bool Recording_ = false;
};
