#pragma once
// How an encoder sounds a code: one tone per character in the chosen selective-call standard,
// with the repeat tone in place of a character equal to the one just sent. The simulator keeps
// these tables itself, apart from the program's decoder, so each checks the other.
//
// Pure; any thread may call these.

#include "app/tones/ToneStandard.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <optional>
#include <string_view>
#include <vector>

namespace EncoderSim {

enum class TSelcallStandard { Zvei1, Zvei2, Zvei3, Dzvei, Ccir, Eea };

// "zvei1", "zvei2", "zvei3", "dzvei", "ccir", "eea" in any letter case.
std::optional<TSelcallStandard> ParseSelcallStandard(std::string_view name);

// The program's name for the same standard, the key of its limits.
ToneStandard ToneStandardOf(TSelcallStandard standard);

// Length of one tone: 70 ms for ZVEI, 100 ms for CCIR, 40 ms for EEA.
double SelcallToneSeconds(TSelcallStandard standard);

// The bursts for a code; characters without a tone are left out.
std::vector<TToneBurst> SelcallBursts(TSelcallStandard standard, std::string_view code);

} // namespace EncoderSim
