#pragma once
// The byte trace: every byte the application takes from the input or queues for output, with its
// direction, kept in a fixed store of N two-byte entries that overwrites its oldest entries.
//
// Owns the store, allocated only by Start and freed by Discard and WriteFile; Record never
// allocates and never touches a file. The class takes no lock: its owner (the dispatcher) guards
// every call with its state lock, so recorders on other threads wait while a file is written.
//
// Start refuses a capacity above MaxCapacity with ecBadArgument and reports a failed allocation
// as ecOutOfMemory, leaving the store as it was. WriteFile returns 0 or minus errno; whatever it
// returns, afterwards the store is freed and recording is off. A capacity of 0 creates no store:
// recording is nominally on, nothing is kept and WriteFile writes no file.

#include "serial/engine/errors/SioResultCodes.h"
#include "serial/engine/trace/SioRecorder.h"

#include <cstdint>
#include <memory>
#include <string>

inline constexpr char TraceKindReceive = 'R';
inline constexpr char TraceKindTransmit = 'T';

class TSioTraceStore final : public ISioRecorder {
public:
    static constexpr std::uint32_t MaxCapacity = 4'000'000;

    // Creates N zero-filled entries, or empties the existing store keeping its capacity;
    // recording on.
    TSioResult Start(std::uint32_t capacity) override;
    // Forgets the entries; recording unchanged.
    void Clear() override;
    // Recording off; the store is freed.
    void Discard() override;
    void Pause() override;
    // Recording on if a store exists.
    void Resume() override;
    bool Recording() const override { return Recording_; }
    bool HasStore() const { return Entries_ != nullptr; }
    std::uint32_t Capacity() const { return Capacity_; }

    // Keeps (kind, byte) while recording, overwriting the oldest entry when the store is full.
    void Record(char kind, std::uint8_t byte);

    // Writes the entries oldest first as text (a heading per run of one kind, CR LF line ends,
    // no line end after the last item). No entry: no file is touched and the result is 0.
    // With append the text goes to the end of an existing file; otherwise the file is replaced.
    TSioResult WriteFile(const std::string& name, bool append, bool hex, bool allHex) override;

private:
    struct TEntry {
        char Kind;
        std::uint8_t Byte;
    };

    std::unique_ptr<TEntry[]> Entries_;
    std::uint32_t Capacity_ = 0;
    std::uint32_t WriteIndex_ = 0;
    bool Wrapped_ = false;
    bool Recording_ = false;
};
