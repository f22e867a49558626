#pragma once
// The item texts of the main window's option groups, in item order (UTF-8). The item index is
// what the telegram builder reads, so the order here is part of the protocol.
//
// Constant data built once on first use; any thread may read it.

#include <string>
#include <vector>

const std::vector<std::string>& FiveCharPreToneItems(); // RadioGroup1, 10 items
const std::vector<std::string>& AlarmTypeItems();       // RadioGroup2, 10 items
const std::vector<std::string>& TapeItems();            // RadioGroup3, 2 items
const std::vector<std::string>& TenCharPreToneItems();  // RadioGroup4, 28 items
const std::vector<std::string>& TwoToneAlarmItems();    // RadioGroup5, 6 items
