#pragma once
// What an encoder of this kind transmits for one alarm: the pre-tone the telegram selects (if
// any), a short pause, the code as a selective-call sequence, the usual pause and the code
// again, then the two-tone pair that the limits give for the telegram's alarm type (if any),
// after its delay and for its length; all framed by silence. Faults change that on purpose, so
// each miss a tone check must find can be sounded.
//
// Pre-tone lengths (they are not in the telegram, so the simulator fixes them):
//   call tones "Tonruf I" 1750 Hz and "Tonruf II" 2135 Hz: 0.5 s "kurz", 2.0 s "lang";
//   letter pre-tones a (367.5 Hz) to m (727.5 Hz), 30 Hz apart: 1.0 s.
//
// Pure; any thread may call it.

#include "app/tonecheck/ToneLimits.h"
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

// Deliberate faults of the tones, each one a miss the tone check must name.
struct TSoundFaults {
    double DetunePercent = 0.0;  // every tone of the code this far off
    double StretchPercent = 0.0; // every tone of the code this much longer
    bool WrongDigit = false;     // the code's third character one higher
    bool WrongPair = false;      // the two-tone pair with another partner tone
    bool NoCallTone = false;     // the call tone left out
    unsigned long Every = 1;     // the faults in every Every-th alarm sounded only

    bool operator==(const TSoundFaults&) const = default;
};

struct TAlarmSoundSettings {
    TToneStandard Standard = TToneStandard::Zvei1;
    TToneLimits Limits = DefaultToneLimits();
    TSoundFaults Faults;
};

std::vector<TToneBurst> AlarmBursts(const TDecodedFrame& frame,
                                    const TAlarmSoundSettings& settings);

// The paragraph of the usage text that tells what is sent.
std::string AlarmSoundDescription();

} // namespace EncoderSim
