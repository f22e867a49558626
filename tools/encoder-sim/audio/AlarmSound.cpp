#include "tools/encoder-sim/audio/AlarmSound.h"

#include "app/options/OptionGroupItems.h"

#include <cstdio>
#include <optional>

namespace EncoderSim {

namespace {

constexpr double CallToneOneHz = 1750.0;
constexpr double CallToneTwoHz = 2135.0;
constexpr double FirstLetterHz = 367.5;
constexpr double LetterStepHz = 30.0;
constexpr int LastLetterItem = 13; // "m": the last letter a telegram can carry
// The partner a wrong pair sounds instead of the right one.
constexpr double WrongPartnerHz = 2280.0;
constexpr double OtherWrongPartnerHz = 1240.0;
constexpr std::size_t WrongDigitPlace = 2;

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

std::string SoundedCode(std::string code, const TSoundFaults& faults) {
    if (faults.WrongDigit && code.size() > WrongDigitPlace) {
        char& digit = code[WrongDigitPlace];
        digit = digit >= '0' && digit < '9' ? static_cast<char>(digit + 1) : '0';
    }
    return code;
}

std::vector<TToneBurst> CodeBursts(const TDecodedFrame& frame,
                                   const TAlarmSoundSettings& settings) {
    std::vector<TToneBurst> bursts =
        SelcallBursts(settings.Standard, SoundedCode(frame.Code, settings.Faults));
    for (TToneBurst& burst : bursts) {
        burst.FrequenciesHz[0] *= 1.0 + settings.Faults.DetunePercent / 100.0;
        burst.Seconds *= 1.0 + settings.Faults.StretchPercent / 100.0;
    }
    return bursts;
}

const TTwoTonePair* PairOf(const TDecodedFrame& frame, const TToneLimits& limits) {
    const auto& items = AlarmTypeItems();
    if (!frame.AlarmType || frame.AlarmType->Item < 0 ||
        static_cast<std::size_t>(frame.AlarmType->Item) >= items.size())
        return nullptr;
    return limits.PairFor(items[static_cast<std::size_t>(frame.AlarmType->Item)]);
}

} // namespace

std::vector<TToneBurst> AlarmBursts(const TDecodedFrame& frame,
                                    const TAlarmSoundSettings& settings) {
    const TSequenceLimits& sequence = settings.Limits.Of(settings.Standard);
    std::vector<TToneBurst> bursts{{{}, AlarmSilenceSeconds}};
    if (const auto preTone = PreToneBurst(frame); preTone && !settings.Faults.NoCallTone) {
        bursts.push_back(*preTone);
        bursts.push_back({{}, PreTonePauseSeconds});
    }
    const std::vector<TToneBurst> code = CodeBursts(frame, settings);
    bursts.insert(bursts.end(), code.begin(), code.end());
    if (sequence.Repeated) {
        bursts.push_back({{}, sequence.PauseSeconds});
        bursts.insert(bursts.end(), code.begin(), code.end());
    }
    if (const TTwoTonePair* pair = PairOf(frame, settings.Limits)) {
        double partner = pair->FrequenciesHz[1];
        if (settings.Faults.WrongPair)
            partner = partner == WrongPartnerHz ? OtherWrongPartnerHz : WrongPartnerHz;
        bursts.push_back({{}, pair->DelaySeconds});
        bursts.push_back({{pair->FrequenciesHz[0], partner}, pair->Seconds});
    }
    bursts.push_back({{}, AlarmSilenceSeconds});
    return bursts;
}

std::string AlarmSoundDescription() {
    char text[1536];
    std::snprintf(
        text, sizeof text,
        "The tones of an alarm: %.1f s silence, the pre-tone the telegram selects, %.1f s\n"
        "pause, the code (one tone per character, the repeat tone for a character equal\n"
        "to the one before; %.0f ms each in ZVEI, %.0f ms in CCIR, %.0f ms in EEA), the\n"
        "pause the limits file gives (%.1f s) and the code again, then the two-tone pair\n"
        "the limits file gives for the telegram's alarm type (by default 675+1240 Hz for\n"
        "Feueralarm and 675+1860 Hz for Probealarm, %.1f s after the code, for %.1f s),\n"
        "and %.1f s silence. Pre-tone lengths: \"Tonruf I\" (%.0f Hz) and \"Tonruf II\"\n"
        "(%.0f Hz) %.1f s \"kurz\" and %.1f s \"lang\"; the letter pre-tones a (%.1f Hz)\n"
        "to m (%.1f Hz) %.1f s. The limits file is tone-limits.txt in the working folder,\n"
        "or else the installed one (share/quorvane/tone-limits.txt).\n",
        AlarmSilenceSeconds, PreTonePauseSeconds, 1000 * TableOf(TToneStandard::Zvei1).ToneSeconds,
        1000 * TableOf(TToneStandard::Ccir).ToneSeconds,
        1000 * TableOf(TToneStandard::Eea).ToneSeconds,
        DefaultToneLimits().Of(TToneStandard::Zvei1).PauseSeconds,
        DefaultToneLimits().Pairs.front().DelaySeconds, DefaultToneLimits().Pairs.front().Seconds,
        AlarmSilenceSeconds, CallToneOneHz, CallToneTwoHz, ShortCallToneSeconds,
        LongCallToneSeconds, FirstLetterHz, FirstLetterHz + LetterStepHz * (LastLetterItem - 1),
        LetterPreToneSeconds);
    return text;
}

} // namespace EncoderSim
