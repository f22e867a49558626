#include "tools/encoder-sim/audio/AlarmSound.h"

#include <cstdio>
#include <optional>

namespace EncoderSim {

namespace {

constexpr double CallToneOneHz = 1750.0;
constexpr double CallToneTwoHz = 2135.0;
constexpr double FirstLetterHz = 367.5;
constexpr double LetterStepHz = 30.0;
constexpr int LastLetterItem = 13; // "m": the last letter a telegram can carry

// The pre-tone burst a frame selects, if any.
std::optional<TToneBurst> PreToneBurst(const TDecodedFrame& frame) {
    if (!frame.PreTone || frame.PreTone->Item <= 0)
        return std::nullopt;
    const int item = frame.PreTone->Item;
    if (frame.Family == TFrameFamily::TenCharacter) {
        if (item > LastLetterItem)
            return std::nullopt;
        return TToneBurst{{FirstLetterHz + LetterStepHz * (item - 1)}, LetterPreToneSeconds};
    }
    // Five-character items: 1 I kurz, 2 II kurz, 3 I lang, 4 II lang, 5 band switch only; 6 to 9
    // repeat 1 to 4 with the band switch.
    if (item == 5 || item > 9)
        return std::nullopt;
    const int call = item > 5 ? item - 5 : item;
    const double hz = call % 2 == 1 ? CallToneOneHz : CallToneTwoHz;
    return TToneBurst{{hz}, call <= 2 ? ShortCallToneSeconds : LongCallToneSeconds};
}

} // namespace

std::vector<TToneBurst> AlarmBursts(const TDecodedFrame& frame, TSelcallStandard standard) {
    std::vector<TToneBurst> bursts{{{}, AlarmSilenceSeconds}};
    if (const auto preTone = PreToneBurst(frame)) {
        bursts.push_back(*preTone);
        bursts.push_back({{}, PreTonePauseSeconds});
    }
    for (TToneBurst& tone : SelcallBursts(standard, frame.Code))
        bursts.push_back(std::move(tone));
    bursts.push_back({{}, AlarmSilenceSeconds});
    return bursts;
}

std::string AlarmSoundDescription() {
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "The tones of an alarm: %.1f s silence, the pre-tone the telegram selects, %.1f s\n"
        "pause, the code (one tone per character, the repeat tone for a character equal\n"
        "to the one before; %.0f ms each in ZVEI, %.0f ms in CCIR, %.0f ms in EEA), %.1f s\n"
        "silence. Pre-tone lengths: \"Tonruf I\" (%.0f Hz) and \"Tonruf II\" (%.0f Hz) %.1f s\n"
        "\"kurz\" and %.1f s \"lang\"; the letter pre-tones a (%.1f Hz) to m (%.1f Hz) %.1f s.\n"
        "No two-tone signal is added: the telegram does not tell which one.\n",
        AlarmSilenceSeconds, PreTonePauseSeconds,
        1000 * SelcallToneSeconds(TSelcallStandard::Zvei1),
        1000 * SelcallToneSeconds(TSelcallStandard::Ccir),
        1000 * SelcallToneSeconds(TSelcallStandard::Eea), AlarmSilenceSeconds, CallToneOneHz,
        CallToneTwoHz, ShortCallToneSeconds, LongCallToneSeconds, FirstLetterHz,
        FirstLetterHz + LetterStepHz * (LastLetterItem - 1), LetterPreToneSeconds);
    return text;
}

} // namespace EncoderSim
