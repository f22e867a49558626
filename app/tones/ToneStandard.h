#pragma once
// The selective-call standards and their tone tables: fifteen symbols per standard (digits
// 0-9, extra tones A-D, and E, the repeat tone that stands for "same as the tone before"),
// each with its nominal frequency, and the nominal length of one tone.
//
// Constant data; any thread may read it.

#include <array>
#include <optional>
#include <string_view>

enum class TToneStandard { Zvei1, Zvei2, Zvei3, Dzvei, Ccir, Eea };

inline constexpr TToneStandard DefaultToneStandard = TToneStandard::Zvei1;
inline constexpr std::array<TToneStandard, 6> AllToneStandards{
    TToneStandard::Zvei1, TToneStandard::Zvei2, TToneStandard::Zvei3,
    TToneStandard::Dzvei, TToneStandard::Ccir,  TToneStandard::Eea};

// The symbols of a sequence in table order; the last one is the repeat tone.
inline constexpr std::string_view ToneSymbols{"0123456789ABCDE"};
inline constexpr char RepeatToneSymbol = 'E';

struct TToneTable {
    std::array<double, ToneSymbols.size()> FrequencyHz; // indexed like ToneSymbols
    double ToneSeconds;                                 // nominal length of one tone
};

const TToneTable& TableOf(TToneStandard standard);

// "ZVEI1", "ZVEI2", "ZVEI3", "DZVEI", "CCIR", "EEA": shown in lists and printed in reports.
std::string_view DisplayName(TToneStandard standard);

// "zvei1", ... as the command line takes it.
std::string_view OptionName(TToneStandard standard);

// Accepts either name in any letter case; nullopt for anything else.
std::optional<TToneStandard> ParseToneStandard(std::string_view text);
