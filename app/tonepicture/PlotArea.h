#pragma once
// One plot of the alarm picture: a stretch of time across and a band of frequencies up, laid on
// a rectangle of the picture, with the spectrogram of what was heard beneath and a frame, grid
// lines and tick labels around it (seconds counted from the alarm's start, Hz).
//
// Needs a QGuiApplication (fonts); any thread once it exists.

#include "app/tonepicture/PictureStyle.h"
#include "app/tonepicture/Spectrogram.h"

#include <QPainter>
#include <QRect>

struct TPlotArea {
    QRect Rect;                // the plot's pixels in the picture
    double StartSeconds = 0.0; // audio clock at the left edge
    double EndSeconds = 1.0;   // and at the right edge
    double LowHz = 300.0;      // at the bottom edge
    double HighHz = 3200.0;    // at the top edge
    double ZeroSeconds = 0.0;  // where the time axis counts from: the alarm's start

    double PixelsPerSecond() const { return Rect.width() / (EndSeconds - StartSeconds); }
    double X(double seconds) const {
        return Rect.left() + (seconds - StartSeconds) * PixelsPerSecond();
    }
    double Y(double hz) const {
        return Rect.top() + (HighHz - hz) * Rect.height() / (HighHz - LowHz);
    }
};

// The spectrogram of `audio` over the plot's rectangle.
void DrawPlotSpectrogram(QImage& image, const TPlotArea& plot, const TToneAudio& audio);

// Grid lines over the plot, its frame, and tick labels left of and below it: the time ticks
// take the row of `tickRow` pixels under the plot, the frequency ticks the space left of it.
void DrawPlotAxes(QPainter& painter, const TPlotArea& plot, const TPictureFonts& fonts,
                  int tickRow);

// A step of 1, 2, 2.5 or 5 times a power of ten that cuts `span` into at most `most` parts.
double TickStep(double span, int most);
