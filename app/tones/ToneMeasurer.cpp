#include "app/tones/ToneMeasurer.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

// Long enough for a two-tone signal's last seconds and a sequence tone closed late.
constexpr double KeptSeconds = 3.0;
// Less than this inside a tone leaves its frequency to the tracker.
constexpr double ShortestSpanSeconds = 0.008;
// Spans of growing length, each narrowing the search of the next: a Hann window's main lobe
// reaches 2 / T either side of the peak, and the peak search must stay within it.
constexpr double FirstSpanSeconds = 0.04;
constexpr double SecondSpanSeconds = 0.3;
constexpr double FirstReachHz = 25.0;
constexpr int SearchSteps = 28;
// The envelope window: short for sharp edges, long enough to average noise down.
constexpr double EnvelopeSeconds = 0.004;
// An edge is where the envelope crosses this share of the tone's amplitude: low enough that
// a 2 ms fade in or out moves it little, well above the envelope of 10 dB noise.
constexpr double EdgeShare = 0.3;

} // namespace

TToneMeasurer::TToneMeasurer(double sampleRate, double offsetSeconds)
    : SampleRate_(sampleRate), OffsetSeconds_(offsetSeconds),
      Ring_(static_cast<std::size_t>(std::ceil(KeptSeconds * sampleRate))) {}

void TToneMeasurer::Add(float sample) {
    Ring_.Push(sample);
}

float TToneMeasurer::At(std::uint64_t sample) const {
    return Ring_.At(sample);
}

TToneMeasurer::TSpan TToneMeasurer::Kept(double fromSeconds, double toSeconds) const {
    const auto oldest = static_cast<double>(Ring_.Oldest());
    const double newest = static_cast<double>(Ring_.Total()) - 1.0;
    const double first = std::max(oldest, std::ceil((fromSeconds - OffsetSeconds_) * SampleRate_));
    const double last = std::min(newest, std::floor((toSeconds - OffsetSeconds_) * SampleRate_));
    if (last < first)
        return {};
    return {static_cast<std::uint64_t>(first), static_cast<std::size_t>(last - first) + 1};
}

double TToneMeasurer::WindowedMagnitude(const TSpan& span, double hz) const {
    const double count = static_cast<double>(span.Count);
    const std::complex<double> toneStep =
        std::polar(1.0, -2.0 * std::numbers::pi * hz / SampleRate_);
    const std::complex<double> windowStep = std::polar(1.0, 2.0 * std::numbers::pi / count);
    std::complex<double> tone = std::polar(1.0, -2.0 * std::numbers::pi * hz / SampleRate_ *
                                                    static_cast<double>(span.First));
    std::complex<double> window = std::polar(1.0, std::numbers::pi / count);
    std::complex<double> sum;
    for (std::size_t n = 0; n < span.Count; ++n) {
        const double w = 0.5 - 0.5 * window.real();
        sum += w * static_cast<double>(At(span.First + n)) * tone;
        tone *= toneStep;
        window *= windowStep;
    }
    return std::abs(sum) / (count / 2.0);
}

// Golden-section search for the spectrum's peak; the window's main lobe makes it unimodal.
double TToneMeasurer::PeakHz(const TSpan& span, double nearHz, double reachHz) const {
    constexpr double Ratio = 0.6180339887498949;
    double low = nearHz - reachHz;
    double high = nearHz + reachHz;
    double a = high - Ratio * (high - low);
    double b = low + Ratio * (high - low);
    double magnitudeA = WindowedMagnitude(span, a);
    double magnitudeB = WindowedMagnitude(span, b);
    for (int step = 0; step < SearchSteps; ++step) {
        if (magnitudeA < magnitudeB) {
            low = a;
            a = b;
            magnitudeA = magnitudeB;
            b = low + Ratio * (high - low);
            magnitudeB = WindowedMagnitude(span, b);
        } else {
            high = b;
            b = a;
            magnitudeB = magnitudeA;
            a = high - Ratio * (high - low);
            magnitudeA = WindowedMagnitude(span, a);
        }
    }
    return (low + high) / 2.0;
}

double TToneMeasurer::FrequencyHz(double fromSeconds, double toSeconds, double nearHz) const {
    const TSpan whole = Kept(fromSeconds, toSeconds);
    if (static_cast<double>(whole.Count) < ShortestSpanSeconds * SampleRate_)
        return nearHz;
    const auto middle = [&](double seconds) {
        const auto count = std::min(whole.Count, static_cast<std::size_t>(seconds * SampleRate_));
        return TSpan{whole.First + (whole.Count - count) / 2, count};
    };
    TSpan span = middle(FirstSpanSeconds);
    double hz = PeakHz(span, nearHz, FirstReachHz);
    for (const double seconds : {SecondSpanSeconds, KeptSeconds}) {
        if (span.Count == whole.Count)
            break;
        span = middle(seconds);
        hz = PeakHz(span, hz, SampleRate_ / static_cast<double>(span.Count));
    }
    return hz;
}

double TToneMeasurer::Amplitude(double fromSeconds, double toSeconds, double hz) const {
    const TSpan span = Kept(fromSeconds, toSeconds);
    return span.Count == 0 ? 0.0 : WindowedMagnitude(span, hz);
}

std::vector<double> TToneMeasurer::Envelope(const TSpan& span, double hz, std::size_t width) const {
    std::vector<double> envelope;
    if (span.Count <= width)
        return envelope;
    envelope.reserve(span.Count - width);
    // Mixed down, a real tone leaves an image at twice its frequency, which a box holding only
    // part of the tone does not cancel: the edge would move with the tone's phase. Two taps null
    // that image exactly and pass the tone unchanged, half a sample late.
    const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi * hz / SampleRate_);
    const std::complex<double> image = step * step;
    std::vector<std::complex<double>> mixed(span.Count - 1);
    std::complex<double> tone = 1.0;
    std::complex<double> previous = static_cast<double>(At(span.First));
    for (std::size_t n = 1; n < span.Count; ++n) {
        tone *= step;
        const std::complex<double> current = static_cast<double>(At(span.First + n)) * tone;
        mixed[n - 1] = (current - image * previous) / (1.0 - image);
        previous = current;
    }
    std::complex<double> sum;
    for (std::size_t n = 0; n < mixed.size(); ++n) {
        sum += mixed[n];
        if (n >= width)
            sum -= mixed[n - width];
        if (n + 1 >= width)
            envelope.push_back(2.0 * std::abs(sum) / static_cast<double>(width));
    }
    return envelope;
}

double TToneMeasurer::BoxCentreSeconds(const TSpan& span, double position,
                                       std::size_t width) const {
    // The envelope's samples lie half a sample after the span's.
    return (static_cast<double>(span.First) + position + static_cast<double>(width) / 2.0) /
               SampleRate_ +
           OffsetSeconds_;
}

std::optional<double> TToneMeasurer::EdgeSeconds(double hz, double amplitude, double insideSeconds,
                                                 double outsideSeconds, double otherHz) const {
    // A box as wide as whole periods of the difference tone cancels the partner.
    const double apartHz = std::abs(otherHz - hz);
    const double boxSeconds =
        otherHz > 0.0 ? std::ceil(EnvelopeSeconds * apartHz) / apartHz : EnvelopeSeconds;
    const auto width =
        static_cast<std::size_t>(std::max(4.0, std::round(boxSeconds * SampleRate_)));
    const double widthSeconds = static_cast<double>(width) / SampleRate_;
    const bool rising = outsideSeconds < insideSeconds;
    const double half = widthSeconds / 2.0;
    const TSpan span = rising ? Kept(outsideSeconds - half, insideSeconds + half)
                              : Kept(insideSeconds - half, outsideSeconds + half);
    if (span.Count <= width + 1 || amplitude <= 0.0)
        return std::nullopt;
    const std::vector<double> envelope = Envelope(span, hz, width);

    // Scan from inside the tone outwards, so noise in the silence cannot pass for the edge.
    const double threshold = EdgeShare * amplitude;
    const std::size_t count = envelope.size();
    const auto value = [&](std::size_t i) { return envelope[rising ? count - 1 - i : i]; };
    if (value(0) < threshold)
        return std::nullopt;
    for (std::size_t i = 1; i < count; ++i) {
        if (value(i) >= threshold)
            continue;
        const double crossing =
            static_cast<double>(i - 1) + (value(i - 1) - threshold) / (value(i - 1) - value(i));
        const double position = rising ? static_cast<double>(count - 1) - crossing : crossing;
        const double centre = BoxCentreSeconds(span, position, width);
        // A box of the window's width reaches the share this far before (after) the edge.
        const double lead = (0.5 - EdgeShare) * widthSeconds;
        return rising ? centre + lead : centre - lead;
    }
    return std::nullopt;
}

std::optional<double> TToneMeasurer::BoundarySeconds(double firstHz, double firstAmplitude,
                                                     double secondHz, double secondAmplitude,
                                                     double fromSeconds, double toSeconds) const {
    // Mixed down to either tone, the signal of a phase-continuous change is the same turning
    // phasor mirrored in time about the boundary, so the two shares cross exactly there. Halves
    // of the box half a difference period off whole ones meet the other tone in counter-phase
    // at the box's far end, which makes the shares cross steeply and noise move them little.
    const double apartHz = std::abs(secondHz - firstHz);
    if (apartHz <= 0.0 || firstAmplitude <= 0.0 || secondAmplitude <= 0.0)
        return std::nullopt;
    const double halfSeconds = (std::ceil(EnvelopeSeconds / 2.0 * apartHz - 0.5) + 0.5) / apartHz;
    const auto half =
        static_cast<std::size_t>(std::max(2.0, std::round(halfSeconds * SampleRate_)));
    const std::size_t width = 2 * half;
    const double halfWidthSeconds = static_cast<double>(half) / SampleRate_;
    const TSpan span = Kept(fromSeconds - halfWidthSeconds, toSeconds + halfWidthSeconds);
    if (span.Count <= width + 1)
        return std::nullopt;
    const std::vector<double> first = Envelope(span, firstHz, width);
    const std::vector<double> second = Envelope(span, secondHz, width);
    const std::size_t count = first.size();
    const auto ahead = [&](std::size_t i) {
        return first[i] / firstAmplitude - second[i] / secondAmplitude;
    };
    if (ahead(0) <= 0.0 || ahead(count - 1) >= 0.0)
        return std::nullopt;

    // Noise can make the shares cross more than once right at the boundary: it lies midway
    // between the first crossing and the last.
    const auto crossing = [&](std::size_t before) {
        return static_cast<double>(before) + ahead(before) / (ahead(before) - ahead(before + 1));
    };
    std::size_t firstCrossing = 0;
    while (ahead(firstCrossing + 1) > 0.0)
        ++firstCrossing;
    std::size_t lastCrossing = count - 2;
    while (ahead(lastCrossing) < 0.0)
        --lastCrossing;
    const double position = (crossing(firstCrossing) + crossing(lastCrossing)) / 2.0;
    return BoxCentreSeconds(span, position, width);
}
