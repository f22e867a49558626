#pragma once
// What an encoder of this kind transmits for one alarm: the pre-tone the telegram selects (if
// any), a short pause, then the code as a selective-call sequence, framed by silence. No
// two-tone signal: the telegram does not say which one.
//
// Pre-tone lengths (they are not in the telegram, so the simulator fixes them):
//   call tones "Tonruf I" 1750 Hz and "Tonruf II" 2135 Hz: 0.5 s "kurz", 2.0 s "lang";
//   letter pre-tones a (367.5 Hz) to m (727.5 Hz), 30 Hz apart: 1.0 s.
//
// Pure; any thread may call it.

#include "tools/encoder-sim/audio/SelcallCode.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"
#include "tools/encoder-sim/protocol/DecodedFrame.h"

#include <string>
#include <vector>

namespace EncoderSim {

inline constexpr double ShortCallToneSeconds = 0.5;
inline constexpr double LongCallToneSeconds = 2.0;
inline constexpr double LetterPreToneSeconds = 1.0;
inline constexpr double PreTonePauseSeconds = 0.2;
inline constexpr double AlarmSilenceSeconds = 0.5; // before and after each alarm

std::vector<TToneBurst> AlarmBursts(const TDecodedFrame& frame, TSelcallStandard standard);

// The paragraph of the usage text that tells these lengths.
std::string AlarmSoundDescription();

} // namespace EncoderSim
