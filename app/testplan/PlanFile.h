#pragma once
// The plan file: plain UTF-8 text, one step per line, its fields separated by ';':
//
//   # encoder type; code; pre-tone; alarm type[; tape][; count]
//   Standart  neu; 12345; Tonruf I  kurz; Feueralarm; 3
//   VAMI 1.4; 1234567890; a (367.5 Hz); 675+1240(E); Tonband ein
//
// Every text is an item as the window shows it, matched in either case with any run of blanks
// as one; blanks around a field do not count. The pre-tone and alarm type must be items the
// type offers (the five-character types: call tones and alarm types; the ten-character types:
// letter pre-tones and two-tone alarms). The tape field is there for the types with a tape
// option (VAMI 1.3, VAMI 1.4) and for no other. The code has the type's full length, 0-9 and
// A-E in either case. The count, how often the alarm is sent, is 1 to 9999; left out, 1.
// '#' starts a comment; blank lines count for nothing; a leading byte order mark is skipped.
//
// A line that cannot be used gets one message naming the file, the line and the field, and a
// file with any such line gives no plan at all: half a test would pass for a whole one.
// Pure; any thread.

#include "app/testplan/TestPlan.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int MaxStepCount = 9999;

struct TParsedPlan {
    std::optional<TTestPlan> Plan; // empty when Messages say why
    std::vector<std::string> Messages;
};

// fileName names the file in the messages and the plan.
TParsedPlan ParseTestPlan(std::string_view text, const std::string& fileName);
