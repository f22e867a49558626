#pragma once
// Draws one alarm as a picture strip: a spectrogram of what was heard (time across, 300 to
// 3200 Hz up), the frequencies the alarm should sound as bands (nominal +- tolerance), and every
// tone heard marked where it was measured: green where it held its limits, red where it missed,
// yellow where nothing was judged. Faint lines every 500 Hz and every second help the eye.
//
// Qt GUI only (QImage and QPainter on it, no widgets and no fonts), so it needs no
// QGuiApplication and any thread may call it; each call works on its own image.

#include "app/tonecheck/AlarmJudge.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr double ToneStripLowHz = 300.0;
inline constexpr double ToneStripHighHz = 3200.0;
inline constexpr int ToneStripPixelsPerSecond = 50;
inline constexpr int ToneStripHeight = 240;
// The most audio one strip shows; earlier samples are left out.
inline constexpr double ToneStripLongestSeconds = 60.0;

// Mono 16-bit samples at sampleRate; samples[0] was heard at startSeconds, counted as the
// decoder counts (marks are placed by their own times on the same clock).
struct ToneStripAudio {
    const std::int16_t* samples = nullptr;
    std::size_t count = 0;
    int sampleRate = 8000;
    double startSeconds = 0.0;
};

// An image ToneStripPixelsPerSecond wide per second of audio and ToneStripHeight high; a null
// image when there are no samples.
QImage DrawToneStrip(const ToneStripAudio& audio, const std::vector<ToneMark>& marks,
                     const std::vector<ExpectedBand>& bands);
