#pragma once
// Draws one alarm as a picture strip: a spectrogram of what was heard (time across, 300 to
// 3200 Hz up), the frequencies the alarm should sound as bands (nominal +- tolerance), and every
// tone heard marked where it was measured: green where it held its limits, red where it missed,
// yellow where nothing was judged. Faint lines every 500 Hz and every second help the eye.
//
// Qt GUI only (QImage and QPainter on it, no widgets and no fonts), so it needs no
// QGuiApplication and any thread may call it; each call works on its own image.

#include "app/tonecheck/AlarmJudge.h"
#include "app/tonepicture/Spectrogram.h"

#include <QImage>

#include <vector>

inline constexpr double ToneStripLowHz = 300.0;
inline constexpr double ToneStripHighHz = 3200.0;
inline constexpr int ToneStripPixelsPerSecond = 50;
inline constexpr int ToneStripHeight = 240;
// The most audio one strip shows; earlier samples are left out.
inline constexpr double ToneStripLongestSeconds = 60.0;

using ToneStripAudio = ToneAudio;

// An image ToneStripPixelsPerSecond wide per second of audio and ToneStripHeight high; a null
// image when there are no samples.
QImage DrawToneStrip(const ToneStripAudio& audio, const std::vector<ToneMark>& marks,
                     const std::vector<ExpectedBand>& bands);
