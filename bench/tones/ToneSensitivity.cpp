// How many whole codes the tone decoder finds as the signal gets weaker, beside multimon-ng on
// the same samples. Each cell sends N alarms (a random code, twice) through the bench's channel
// (ToneChannel.h) at one in-band signal-to-noise ratio; a code counts as found when either
// repeat comes out whole and certain, and every other sequence reported counts as wrong. Ours
// tells certain from uncertain ("unsicher") sequences, shown as "certain+uncertain?".
// Then come sequences made up from sound without a code: two minutes of band-limited noise at
// each cell's noise level, and ten minutes each of noise, speech-like and music-like material
// (ToneMaterial.h) as strong as the tones. Prints Markdown tables.
//
// Usage: quorvane_tone_sensitivity_bench [N]   (default 24 codes per cell; needs multimon-ng)

#include "app/tones/ToneDecoder.h"
#include "bench/common/BenchMeasure.h"
#include "bench/tones/ToneChannel.h"
#include "bench/tones/ToneMaterial.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace ToneBench;

constexpr std::array<double, 8> SnrsDb{12, 6, 3, 0, -3, -6, -9, -12};
// Noise alone at every cell's level, and each material at the tones' level: the long material
// runs at one level only, so the whole bench stays within a few minutes.
constexpr double NoiseOnlySeconds = 120.0;
constexpr double MaterialSeconds = 600.0;

struct TRow {
    const char* Name = "";
    TToneStandard Standard = TToneStandard::Zvei1;
    const char* Demodulator = ""; // multimon-ng's name of the standard
    bool Fading = false;
    double MaxDetune = EncoderDetune;
};

// The last two rows are the first two from an encoder within 0.5 %: multimon-ng loses most
// codes once tones are more than about 0.7 % off, so only there do the two compare on noise.
constexpr std::array<TRow, 6> Rows{{
    {"ZVEI1 plain", TToneStandard::Zvei1, "ZVEI1", false},
    {"CCIR plain", TToneStandard::Ccir, "CCIR", false},
    {"ZVEI1, 2 Hz Rayleigh fading", TToneStandard::Zvei1, "ZVEI1", true},
    {"CCIR, 2 Hz Rayleigh fading", TToneStandard::Ccir, "CCIR", true},
    {"ZVEI1 plain, tones within ±0.5 %", TToneStandard::Zvei1, "ZVEI1", false, TightEncoderDetune},
    {"CCIR plain, tones within ±0.5 %", TToneStandard::Ccir, "CCIR", false, TightEncoderDetune},
}};
constexpr std::array<TRow, 2> StandardRows{Rows[0], Rows[1]};

// multimon-ng reports every sequence as certain.
struct TSequence {
    std::string Digits;
    bool Certain = true;
};

struct TTally {
    int Found = 0;
    int FoundUncertain = 0; // the code came out whole, but only as uncertain
    int Wrong = 0;
    int WrongUncertain = 0;
    // Wrong ones as long as a code or longer: those would raise an alarm.
    int WrongWhole = 0;
    int WrongWholeUncertain = 0;
};

constexpr std::size_t CodeDigits = 5;

struct TCpu {
    double Ms = 0.0;
    double AudioSeconds = 0.0;
};

// One alarm's reported sequences against the code sent; an empty code counts all as wrong.
void Count(TTally& tally, const std::vector<TSequence>& sequences, const std::string& code) {
    bool found = false;
    bool foundUncertain = false;
    for (const TSequence& sequence : sequences) {
        if (!code.empty() && sequence.Digits == code) {
            (sequence.Certain ? found : foundUncertain) = true;
        } else {
            ++(sequence.Certain ? tally.Wrong : tally.WrongUncertain);
            if (sequence.Digits.size() >= CodeDigits)
                ++(sequence.Certain ? tally.WrongWhole : tally.WrongWholeUncertain);
        }
    }
    if (found)
        ++tally.Found;
    else if (foundUncertain)
        ++tally.FoundUncertain;
}

std::vector<TSequence> OurSequences(TToneStandard standard,
                                    const std::vector<std::int16_t>& samples, TCpu& cpu) {
    TToneDecoder decoder(standard, ChannelRate);
    std::vector<THeardSignal> heard;
    // 20 ms at a time, as an audio device delivers it.
    const std::size_t chunk = ChannelRate / 50;
    const double start = ThreadCpuMs();
    for (std::size_t at = 0; at < samples.size(); at += chunk) {
        decoder.Feed(samples.data() + at, std::min(chunk, samples.size() - at));
        for (THeardSignal& signal : decoder.TakeHeard())
            heard.push_back(std::move(signal));
    }
    decoder.Flush();
    for (THeardSignal& signal : decoder.TakeHeard())
        heard.push_back(std::move(signal));
    cpu.Ms += ThreadCpuMs() - start;
    cpu.AudioSeconds += static_cast<double>(samples.size()) / ChannelRate;

    std::vector<TSequence> sequences;
    for (const THeardSignal& signal : heard)
        if (signal.Kind == THeardKind::Sequence)
            sequences.push_back({signal.Digits, signal.Certain});
    return sequences;
}

// multimon-ng prints the repeat tone as E; ours expands it into the digit it repeats.
std::string ExpandRepeats(std::string digits) {
    for (std::size_t i = 1; i < digits.size(); ++i)
        if (digits[i] == 'E')
            digits[i] = digits[i - 1];
    return digits;
}

std::vector<TSequence> MultimonSequences(const char* demodulator,
                                         const std::vector<std::int16_t>& samples,
                                         const std::string& rawPath) {
    {
        std::ofstream raw(rawPath, std::ios::binary | std::ios::trunc);
        raw.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(sizeof(std::int16_t) * samples.size()));
    }
    const std::string command = std::string("multimon-ng -q -c -a ") + demodulator + " -t raw '" +
                                rawPath + "' 2>/dev/null";
    std::vector<TSequence> sequences;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return sequences;
    const std::string prefix = std::string(demodulator) + ": ";
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        if (text.starts_with(prefix))
            sequences.push_back({ExpandRepeats(text.substr(prefix.size()))});
    }
    pclose(pipe);
    return sequences;
}

// One row of a table: both decoders' counts in each cell and what our decoding cost.
struct TRowCounts {
    explicit TRowCounts(std::size_t cells) : Ours(cells), Theirs(cells) {}
    std::vector<TTally> Ours;
    std::vector<TTally> Theirs;
    TCpu Cpu{};
};

void DecodeBoth(TRowCounts& counts, std::size_t cell, const TRow& row,
                const std::vector<std::int16_t>& samples, const std::string& code,
                const std::string& rawPath) {
    Count(counts.Ours[cell], OurSequences(row.Standard, samples, counts.Cpu), code);
    Count(counts.Theirs[cell], MultimonSequences(row.Demodulator, samples, rawPath), code);
}

TRowCounts SignalRow(const TRow& row, int codes, const std::string& rawPath) {
    TRowCounts counts(SnrsDb.size());
    for (std::size_t s = 0; s < SnrsDb.size(); ++s) {
        std::fprintf(stderr, "%s at %+.0f dB\n", row.Name, SnrsDb[s]);
        // Every cell of a standard gets the same codes, tone errors and fading path, so the
        // cells differ in noise only, and a fading row from its plain row in fading only.
        const auto seed = static_cast<unsigned>(row.Standard) + 1;
        std::mt19937 sending(seed);
        std::mt19937 noise(100 * seed + static_cast<unsigned>(s));
        std::optional<TRayleighFading> fading;
        if (row.Fading)
            fading.emplace(seed);
        for (int i = 0; i < codes; ++i) {
            const std::string code = RandomCode(sending);
            const std::vector<std::int16_t> samples =
                Receive(SoundAlarm(row.Standard, code, row.MaxDetune, sending), SnrsDb[s],
                        fading ? &*fading : nullptr, noise);
            DecodeBoth(counts, s, row, samples, code, rawPath);
        }
    }
    return counts;
}

// The mean square of a tone as it leaves the transmitter: what the SNRs and materials refer to.
double TonePower(TToneStandard standard) {
    std::mt19937 reference(1);
    return SoundAlarm(standard, "12345", EncoderDetune, reference).TonePower;
}

// Noise alone, as strong inside the band as in each cell of the signal rows.
TRowCounts NoiseRow(const TRow& row, const std::string& rawPath) {
    TRowCounts counts(SnrsDb.size());
    for (std::size_t s = 0; s < SnrsDb.size(); ++s) {
        std::fprintf(stderr, "%s, noise only at %+.0f dB\n", row.Demodulator, SnrsDb[s]);
        std::mt19937 noise(1000 + static_cast<unsigned>(s));
        const std::vector<std::int16_t> samples =
            BandLimitedNoise(static_cast<std::size_t>(NoiseOnlySeconds * ChannelRate),
                             TonePower(row.Standard) / std::pow(10.0, SnrsDb[s] / 10.0), noise);
        DecodeBoth(counts, s, row, samples, "", rawPath);
    }
    return counts;
}

// One material, made once, through both standards' decoders: a cell per standard. The tone
// power hardly differs between the standards, the limiter sets it.
TRowCounts MaterialRow(TMaterialKind kind, const std::string& rawPath) {
    std::fprintf(stderr, "%s material\n", MaterialName(kind));
    const std::vector<std::int16_t> samples =
        MakeMaterial(kind, MaterialSeconds, TonePower(StandardRows[0].Standard));
    TRowCounts counts(StandardRows.size());
    for (std::size_t s = 0; s < StandardRows.size(); ++s)
        DecodeBoth(counts, s, StandardRows[s], samples, "", rawPath);
    return counts;
}

// "3" when all were certain, "3+2?" with two uncertain ones beside.
std::string Split(int certain, int uncertain) {
    std::string text = std::to_string(certain);
    if (uncertain > 0)
        text += "+" + std::to_string(uncertain) + "?";
    return text;
}

enum class TFigure { Found, Wrong, WrongWhole };

void PrintLine(const std::string& row, const char* figure, const TRowCounts& counts, TFigure shown,
               bool withCpu) {
    std::printf("| %s | %s |", row.c_str(), figure);
    for (std::size_t s = 0; s < counts.Ours.size(); ++s) {
        const TTally& ours = counts.Ours[s];
        const TTally& theirs = counts.Theirs[s];
        if (shown == TFigure::Found)
            std::printf(" %s / %d |", Split(ours.Found, ours.FoundUncertain).c_str(), theirs.Found);
        else if (shown == TFigure::Wrong)
            std::printf(" %s / %d |", Split(ours.Wrong, ours.WrongUncertain).c_str(), theirs.Wrong);
        else
            std::printf(" %s / %d |", Split(ours.WrongWhole, ours.WrongWholeUncertain).c_str(),
                        theirs.WrongWhole);
    }
    if (withCpu)
        std::printf(" %.2f ms |\n", counts.Cpu.Ms / counts.Cpu.AudioSeconds);
    else
        std::printf("  |\n");
}

void PrintHeader(const char* first, const std::vector<std::string>& cells) {
    std::printf("| %s | figure |", first);
    for (const std::string& cell : cells)
        std::printf(" %s |", cell.c_str());
    std::printf(" our CPU per s of audio |\n|---|---|");
    for (std::size_t s = 0; s <= cells.size(); ++s)
        std::printf("---|");
    std::printf("\n");
}

std::vector<std::string> SnrHeadings() {
    std::vector<std::string> headings;
    for (const double snr : SnrsDb) {
        char text[16];
        std::snprintf(text, sizeof text, snr == 0.0 ? "%.0f dB" : "%+.0f dB", snr);
        headings.emplace_back(text);
    }
    return headings;
}

} // namespace

int main(int argc, char** argv) {
    const int codes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 24;
    if (std::system("command -v multimon-ng >/dev/null 2>&1") != 0) {
        std::fprintf(stderr,
                     "multimon-ng is not installed (scripts/install-deps.sh installs it)\n");
        return 1;
    }
    const std::string rawPath = (std::filesystem::temp_directory_path() /
                                 ("quorvane-sensitivity-" + std::to_string(getpid()) + ".raw"))
                                    .string();

    std::printf("%d codes per cell, each sent twice; cells: in-band SNR; figures: ours / "
                "multimon-ng, ours as certain+uncertain (\"2+1?\"); found means whole and "
                "certain\n\n",
                codes);
    PrintHeader("row", SnrHeadings());
    TCpu total;
    const auto addCpu = [&total](const TRowCounts& counts) {
        total.Ms += counts.Cpu.Ms;
        total.AudioSeconds += counts.Cpu.AudioSeconds;
    };
    for (const TRow& row : Rows) {
        const TRowCounts counts = SignalRow(row, codes, rawPath);
        PrintLine(row.Name, "codes found", counts, TFigure::Found, true);
        PrintLine("", "wrong sequences", counts, TFigure::Wrong, false);
        addCpu(counts);
    }
    for (const TRow& row : StandardRows) {
        const TRowCounts counts = NoiseRow(row, rawPath);
        PrintLine(std::string(row.Demodulator) + ", noise only (2 min per cell)", "false sequences",
                  counts, TFigure::Wrong, true);
        addCpu(counts);
    }

    std::printf("\n");
    PrintHeader("10 min of material, as strong as the tones",
                {StandardRows[0].Demodulator, StandardRows[1].Demodulator});
    for (const TMaterialKind kind : AllMaterialKinds) {
        const TRowCounts counts = MaterialRow(kind, rawPath);
        PrintLine(MaterialName(kind), "false sequences", counts, TFigure::Wrong, true);
        PrintLine("", "of them 5 digits or more", counts, TFigure::WrongWhole, false);
        addCpu(counts);
    }
    std::filesystem::remove(rawPath);

    std::printf("\nOur decoding took %.2f ms of CPU per second of audio over all %.0f s "
                "(%.3f %% of one core).\n",
                total.Ms / total.AudioSeconds, total.AudioSeconds,
                total.Ms / total.AudioSeconds / 10.0);
    return 0;
}
