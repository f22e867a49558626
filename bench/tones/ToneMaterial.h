#pragma once
// Sound that carries no selective call, for counting the sequences a decoder makes up: noise,
// speech-like voices and music-like playing. Each kind is drawn from its own fixed seed, so it
// comes out the same every run, then goes through the channel's 300-3000 Hz band-pass and is
// scaled so its mean square while it sounds (pauses left out) is the power asked for. Samples
// at the channel's rate, rounded and clipped to 16 bits.
//
// Plain functions; single-threaded.

#include <array>
#include <cstdint>
#include <vector>

namespace ToneBench {

enum class TMaterialKind {
    // White noise.
    Noise,
    // Voiced syllables from changing speakers: a gliding pitch whose harmonics pass moving
    // formants, a syllabic envelope, short gaps inside phrases and longer pauses between them.
    Speech,
    // Tempered-scale playing with a slightly off concert pitch: sustained notes with vibrato,
    // chords, and fast runs of 60-120 ms notes, which look most like a code's tones.
    Music,
};

inline constexpr std::array<TMaterialKind, 3> AllMaterialKinds{
    TMaterialKind::Noise, TMaterialKind::Speech, TMaterialKind::Music};

// "noise", "speech-like", "music-like".
const char* MaterialName(TMaterialKind kind);

std::vector<std::int16_t> MakeMaterial(TMaterialKind kind, double seconds, double power);

} // namespace ToneBench
