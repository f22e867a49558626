#pragma once
// The item texts of the main window's option groups, in item order (UTF-8). The item index is
// what the telegram builder reads, so the order here is part of the protocol. Items that name
// an audible tone also come with its frequencies, so that what is heard can be named by the
// same text the operator picked.
//
// Constant data built once on first use; any thread may read it.

#include <string>
#include <vector>

const std::vector<std::string>& FiveCharPreToneItems(); // RadioGroup1, 10 items
const std::vector<std::string>& AlarmTypeItems();       // RadioGroup2, 10 items
const std::vector<std::string>& TapeItems();            // RadioGroup3, 2 items
const std::vector<std::string>& TenCharPreToneItems();  // RadioGroup4, 28 items
const std::vector<std::string>& TwoToneAlarmItems();    // RadioGroup5, 6 items

// A text with the one or two tones it stands for, lower first.
struct TNamedTone {
    std::string Text;
    std::vector<double> FrequenciesHz;
};

// The pre-tones "a (367.5 Hz)" to "ä (3000  Hz)": RadioGroup4 without item 0.
const std::vector<TNamedTone>& PreTones();
// "Tonruf I" (1750 Hz) and "Tonruf II" (2135 Hz), as RadioGroup1's call-tone items name them.
const std::vector<TNamedTone>& CallTones();
// "675+825  (B)" to "675+2280(C)": RadioGroup5 without item 0.
const std::vector<TNamedTone>& TwoToneAlarms();
