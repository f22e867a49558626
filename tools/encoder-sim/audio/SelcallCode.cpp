#include "tools/encoder-sim/audio/SelcallCode.h"

#include <array>
#include <cctype>

namespace EncoderSim {

namespace {

struct TStandardRow {
    TSelcallStandard Standard;
    std::string_view Name;
    double ToneSeconds;
    // Characters 0-9, then A-D, then the repeat tone E.
    std::array<double, 15> Hz;
};

constexpr std::array<TStandardRow, 6> Rows{{
    {TSelcallStandard::Zvei1,
     "ZVEI1",
     0.070,
     {2400, 1060, 1160, 1270, 1400, 1530, 1670, 1830, 2000, 2200, 2800, 810, 970, 885, 2600}},
    {TSelcallStandard::Zvei2,
     "ZVEI2",
     0.070,
     {2400, 1060, 1160, 1270, 1400, 1530, 1670, 1830, 2000, 2200, 885, 825, 740, 680, 970}},
    {TSelcallStandard::Zvei3,
     "ZVEI3",
     0.070,
     {2400, 1060, 1160, 1270, 1400, 1530, 1670, 1830, 2000, 2200, 885, 810, 2800, 680, 970}},
    {TSelcallStandard::Dzvei,
     "DZVEI",
     0.070,
     {2200, 970, 1060, 1160, 1270, 1400, 1530, 1670, 1830, 2000, 885, 810, 740, 680, 2400}},
    {TSelcallStandard::Ccir,
     "CCIR",
     0.100,
     {1981, 1124, 1197, 1275, 1358, 1446, 1540, 1640, 1747, 1860, 2400, 930, 2247, 991, 2110}},
    {TSelcallStandard::Eea,
     "EEA",
     0.040,
     {1981, 1124, 1197, 1275, 1358, 1446, 1540, 1640, 1747, 1860, 1055, 930, 2247, 991, 2110}},
}};

const TStandardRow& RowOf(TSelcallStandard standard) {
    for (const TStandardRow& row : Rows)
        if (row.Standard == standard)
            return row;
    return Rows[0];
}

constexpr std::size_t RepeatIndex = 14;

std::optional<std::size_t> IndexOf(char character) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
    if (upper >= '0' && upper <= '9')
        return static_cast<std::size_t>(upper - '0');
    if (upper >= 'A' && upper <= 'E')
        return static_cast<std::size_t>(10 + upper - 'A');
    return std::nullopt;
}

} // namespace

std::optional<TSelcallStandard> ParseSelcallStandard(std::string_view name) {
    for (const TStandardRow& row : Rows) {
        bool same = row.Name.size() == name.size();
        for (std::size_t i = 0; same && i < name.size(); ++i)
            same = std::toupper(static_cast<unsigned char>(name[i])) == row.Name[i];
        if (same)
            return row.Standard;
    }
    return std::nullopt;
}

ToneStandard ToneStandardOf(TSelcallStandard standard) {
    return ParseToneStandard(RowOf(standard).Name).value_or(DefaultToneStandard);
}

double SelcallToneSeconds(TSelcallStandard standard) {
    return RowOf(standard).ToneSeconds;
}

std::vector<TToneBurst> SelcallBursts(TSelcallStandard standard, std::string_view code) {
    const TStandardRow& row = RowOf(standard);
    std::vector<TToneBurst> bursts;
    std::optional<std::size_t> previous;
    for (char character : code) {
        auto index = IndexOf(character);
        if (!index)
            continue;
        // Two equal tones in a row would sound as one long tone.
        if (index == previous)
            index = RepeatIndex;
        bursts.push_back({{row.Hz[*index]}, row.ToneSeconds});
        previous = index;
    }
    return bursts;
}

} // namespace EncoderSim
