#pragma once
// One alarm of a plan as a program without a window sends it: the telegram and the record's
// alarm the window would make with its controls set to the step. The window's groups stand as
// they start where a type does not show them (the ten-character types take their alarm-type
// byte from a group they hide, HiddenAlarmTypeItem).
//
// Pure; any thread. Date, time, what is listened for and the step are the sender's to fill in.

#include "app/testplan/TestPlan.h"
#include "app/testrecord/TestRecordRow.h"

#include <string>

inline constexpr int HiddenAlarmTypeItem = 6; // "Sofortiger Weckruf", as the window starts
inline constexpr int UnshownTapeItem = 1;

struct TPlannedAlarm {
    std::string Telegram; // empty when the step has no telegram (an item outside its table)
    TAlarmSent Alarm;
};

TPlannedAlarm PlannedAlarm(const TPlanStep& step);
