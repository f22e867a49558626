#include "tools/encoder-sim/audio/SelcallCode.h"

#include <cctype>
#include <optional>

namespace EncoderSim {

namespace {

std::optional<std::size_t> IndexOf(char character) {
    const auto upper = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
    const auto at = ToneSymbols.find(upper);
    return at == std::string_view::npos ? std::nullopt : std::optional(at);
}

} // namespace

std::vector<TToneBurst> SelcallBursts(TToneStandard standard, std::string_view code) {
    const TToneTable& table = TableOf(standard);
    const std::size_t repeat = ToneSymbols.find(RepeatToneSymbol);
    std::vector<TToneBurst> bursts;
    std::optional<std::size_t> previous;
    for (const char character : code) {
        auto index = IndexOf(character);
        if (!index)
            continue;
        // Two equal tones in a row would sound as one long tone.
        if (index == previous)
            index = repeat;
        bursts.push_back({{table.FrequencyHz[*index]}, table.ToneSeconds});
        previous = index;
    }
    return bursts;
}

} // namespace EncoderSim
