#include "app/tones/ToneDecoder.h"

#include "app/tones/ToneAnalysis.h"

#include <stdexcept>

ToneDecoder::ToneDecoder(ToneStandard standard, int sampleRate) {
    if (sampleRate < MinToneSampleRate || sampleRate > MaxToneSampleRate)
        throw std::invalid_argument("sample rate outside 8000..48000 Hz");
    analysis_ = std::make_unique<ToneAnalysis>(standard, sampleRate);
}

ToneDecoder::~ToneDecoder() = default;

ToneStandard ToneDecoder::Standard() const {
    return analysis_->Standard();
}

int ToneDecoder::SampleRate() const {
    return analysis_->SampleRate();
}

void ToneDecoder::Feed(const std::int16_t* samples, std::size_t count) {
    analysis_->Feed(samples, count);
    if (const auto level = analysis_->TakeLevelDbfs())
        levelDbfs_.store(*level, std::memory_order_relaxed);
}

void ToneDecoder::Flush() {
    analysis_->Flush();
}

std::vector<HeardSignal> ToneDecoder::TakeHeard() {
    return analysis_->TakeHeard();
}

double ToneDecoder::InputLevelDbfs() const {
    return levelDbfs_.load(std::memory_order_relaxed);
}
