#pragma once
// A test plan: the alarms an encoder test sends, in order, each as the window would send it,
// and the plans Quorvane builds itself for the selected encoder type and code.
//
// A step names its options by item index into the option groups the window shows for its type
// (TypeOptionGroups), so the run can select them as an operator would. A step from the fixed
// code list carries the entry instead; it is sent unchanged, whatever the options say.
//
// Pure functions on plain values; any thread.

#include <string>
#include <vector>

inline constexpr int NoItem = -1; // the type has no such group

struct TPlanStep {
    int EncoderType = 0; // item index of the type selector
    std::string Code;    // as typed; for a fixed-code step the list entry
    int PreToneItem = 0;
    int AlarmTypeItem = 0;
    int TapeItem = NoItem;
    int Count = 1;          // how often the alarm is sent, one after the other
    bool FixedCode = false; // the code is a fixed-list entry, framed as it is

    bool operator==(const TPlanStep&) const = default;
};

struct TTestPlan {
    std::string Name; // the file's name, or the built-in plan's
    std::vector<TPlanStep> Steps;
};

// The item lists of the groups the window shows for a type: the five-character types offer
// the call tones and the alarm types, the ten-character ones the letter pre-tones and the
// two-tone alarms, and those with a tape byte the tape group too (nullptr where none).
struct TTypeOptionGroups {
    const std::vector<std::string>* PreTone;
    const std::vector<std::string>* AlarmType;
    const std::vector<std::string>* Tape;
};

// Nothing but nullptr groups for a type outside the list.
TTypeOptionGroups TypeOptionGroups(int encoderType);

inline constexpr const char* AllAlarmTypesPlanName = "alle Alarmarten";
inline constexpr const char* AllPreTonesPlanName = "alle Vortöne";
inline constexpr const char* EndurancePlanName = "Dauertest";
inline constexpr const char* FixedCodesPlanName = "Feste Kodierungen";

// Every alarm-type item of current's type, once each, the rest as in current.
TTestPlan AllAlarmTypesPlan(const TPlanStep& current);
// Every pre-tone item of current's type, once each, the rest as in current.
TTestPlan AllPreTonesPlan(const TPlanStep& current);
// The current alarm `count` times, as one step.
TTestPlan EndurancePlan(const TPlanStep& current, int count);
// Each entry of the fixed code list once, in list order.
TTestPlan FixedCodesPlan(const std::vector<std::string>& entries);
