#pragma once
// One of the port's two recorders, the byte trace or the dispatch log, as the component drives it:
// its properties (the stored state, the size with its cap, the file name, the byte rendering),
// the table that turns a requested state into an operation, and the operations, forwarded to the
// dispatcher's recorder of the same kind with the arguments in one order.
//
// Belongs to its port and to the port's thread. Results go through the port's CheckResult, so a
// refusal raises and the stored state keeps its old value; every operation does nothing while
// the port is closing.

#include "serial/component/SioTypes.h"

#include <cstdint>
#include <string>

class TSioCustomComPort;
class TSioLockedRecorder;

enum class TSioRecorderKind { Trace, Log };

class TSioComRecorder {
public:
    TSioComRecorder(TSioCustomComPort& port, TSioRecorderKind kind);
    TSioComRecorder(const TSioComRecorder&) = delete;
    TSioComRecorder& operator=(const TSioComRecorder&) = delete;

    // Only tlOff, tlOn or tlPause are ever stored; the other states are commands.
    TTraceLogState State() const { return State_; }
    void Request(TTraceLogState value);
    std::uint32_t Size() const { return Size_; }
    // Capped at the largest size; a new size while recording starts the recorder again.
    void SetSize(std::uint32_t value);
    const std::string& Name() const { return Name_; }
    void SetName(std::string value);
    bool Hex() const { return Hex_; }
    void SetHex(bool value) { Hex_ = value; }
    bool AllHex() const { return AllHex_; }
    void SetAllHex(bool value) { AllHex_ = value; }

    // n = 0 keeps the size.
    void Start(std::uint32_t n);
    void WriteFile(const std::string& name, bool append, bool hex);
    void Clear();
    void Discard();
    void Resume();
    void Pause();

private:
    bool Closing() const;
    TSioLockedRecorder& Engine();

    TSioCustomComPort& Port_;
    TSioRecorderKind Kind_;
    std::uint32_t MaxSize_;
    TTraceLogState State_ = tlOff;
    std::uint32_t Size_ = 10000;
    std::string Name_;
    bool Hex_ = true;
    bool AllHex_ = false;
};
