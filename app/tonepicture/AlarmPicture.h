#pragma once
// The picture of one alarm, as the test record keeps it and quorvane-tones --png writes it: two
// panels one above the other, AlarmPictureWidth wide.
//
// - The whole alarm (AlarmOverviewHeight high): from a little before the alarm's start to a
//   little after the last tone heard, a spectrogram from 300 to 3200 Hz with the expected
//   frequencies as blue bands, each tone heard as a line where it was measured (green: held its
//   limits, red: missed, amber: not judged), each code's symbols above it and the first code
//   framed; time in seconds from the alarm's start, frequency in Hz, grid lines and a legend.
// - The first code (CodeZoomHeight high; only when a code was heard): its tones stretched so
//   that each carries its symbol and measured frequency above it, its tolerance band as a blue
//   box, and, for a miss, the mark, the symbol and the words of what it missed in red.
//
// The panels are separable: DrawCodeZoom draws the code alone at any size (for a view too low
// for both), and CodeZoomOf cuts it out of a picture saved earlier.
//
// Needs a QGuiApplication for its fonts (quorvane-tones makes an offscreen one; see
// StartFontsWithoutWindow); any thread once it exists, each call on its own image.

#include "app/tonecheck/AlarmJudge.h"
#include "app/tonepicture/Spectrogram.h"

#include <QImage>
#include <QSize>
#include <vector>

inline constexpr int AlarmPictureWidth = 830;
inline constexpr int AlarmOverviewHeight = 230;
inline constexpr int CodeZoomHeight = 250;
// The least a view may give the code alone; below it the tones' texts have no room.
inline constexpr QSize CodeZoomSmallest(360, 110);

// What was heard of one alarm.
struct TAlarmHeard {
    TToneAudio Audio;                 // covering the alarm; the picture shows what lies inside it
    double AlarmStartSeconds = 0.0;   // on the audio's clock; the time axis counts from here
    std::vector<TToneMark> Marks;     // TAlarmJudgement::Marks, or UnjudgedMarks of what was heard
    std::vector<TExpectedBand> Bands; // TAlarmJudgement::Bands; none when nothing was expected
};

// AlarmPictureWidth by AlarmOverviewHeight + CodeZoomHeight (AlarmOverviewHeight alone when no
// code was heard); a null image when there is no audio.
QImage DrawAlarmPicture(const TAlarmHeard& heard);

// The first code alone at `size` (at least CodeZoomSmallest); a null image when no code was
// heard or there is no audio.
QImage DrawCodeZoom(const TAlarmHeard& heard, QSize size = {AlarmPictureWidth, CodeZoomHeight});

// The first code's panel of a picture DrawAlarmPicture made; the whole picture when it has
// none (no code heard, or an older picture of another layout).
QImage CodeZoomOf(const QImage& alarmPicture);
