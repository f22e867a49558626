#pragma once
// How an encoder sounds a code: one tone per character in the chosen selective-call standard,
// with the repeat tone in place of a character equal to the one just sent. The tones come from
// the program's one tone table; multimon-ng, decoding the simulator's sound in the tests, is
// the independent check of that table.
//
// Pure; any thread may call these.

#include "app/tones/ToneStandard.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <string_view>
#include <vector>

namespace EncoderSim {

// The bursts for a code; characters without a tone are left out.
std::vector<TToneBurst> SelcallBursts(TToneStandard standard, std::string_view code);

} // namespace EncoderSim
