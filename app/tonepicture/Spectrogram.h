#pragma once
// The spectrogram under the pictures of an alarm: for each pixel column the power of the audio
// around that column's time, in dB, one value per pixel row between two frequencies, and the
// shades that paint it. The tones' own marks, bands and axes are drawn over it by the pictures.
//
// Pure computation plus painting into a QImage (Qt GUI, no fonts); any thread.

#include <QImage>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <vector>

// Mono 16-bit samples at sampleRate; samples[0] was heard at startSeconds, counted as the
// decoder counts (marks are placed by their own times on the same clock).
struct TToneAudio {
    const std::int16_t* Samples = nullptr;
    std::size_t Count = 0;
    int SampleRate = 8000;
    double StartSeconds = 0.0;

    double EndSeconds() const { return StartSeconds + static_cast<double>(Count) / SampleRate; }
};

// Which stretch of time and band a spectrogram covers, and at how many pixels.
struct TSpectrogramFrame {
    double StartSeconds = 0.0; // the left edge, on the audio's clock
    double PixelsPerSecond = 50.0;
    int Width = 0;
    double LowHz = 300.0; // the bottom edge
    double HighHz = 3200.0;
    int Height = 0;
};

// width * height values, column by column, each column from highHz down; the time outside the
// audio reads as silence.
std::vector<float> SpectrogramDb(const TToneAudio& audio, const TSpectrogramFrame& frame);

// Paints `db` (as SpectrogramDb returns it for area's size) into `area` of `image`, from the
// loudest value down over a fixed range of dB: silence white, tones dark, so it also prints.
void PaintSpectrogram(QImage& image, QRect area, const std::vector<float>& db);
