#pragma once
// The lines quorvane-encoder-sim prints: the start lines and one line per received frame or
// transmitter notice, as text for people or as one JSON object per line for scripts.
//
// Pure functions; lines come without the newline. Bytes of telegrams are shown as hex; text
// fields keep every byte (JSON escapes control and non-ASCII bytes as \u00XX, read as Latin-1).

#include "tools/encoder-sim/encoder/EncoderSimulator.h"

#include <string>
#include <string_view>
#include <vector>

namespace EncoderSim {

struct TStartInfo {
    std::string Dir;
    std::string Link;
    std::string Terminal;
    TEncoderSettings Settings;
};

std::vector<std::string> FormatStart(const TStartInfo& info, bool json);
std::string FormatEvent(const TSimEvent& event, bool json);

// "0A 3F 0D": bytes as upper-case hex pairs.
std::string HexBytes(std::string_view bytes);
// A JSON string literal, quotes included.
std::string JsonString(std::string_view bytes);

} // namespace EncoderSim
