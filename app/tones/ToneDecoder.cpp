#include "app/tones/ToneDecoder.h"

#include "app/tones/ToneAnalysis.h"

#include <stdexcept>

TToneDecoder::TToneDecoder(TToneStandard standard, int sampleRate) {
    if (sampleRate < MinToneSampleRate || sampleRate > MaxToneSampleRate)
        throw std::invalid_argument("sample rate outside 8000..48000 Hz");
    Analysis_ = std::make_unique<TToneAnalysis>(standard, sampleRate);
}

TToneDecoder::~TToneDecoder() = default;

TToneStandard TToneDecoder::Standard() const {
    return Analysis_->Standard();
}

int TToneDecoder::SampleRate() const {
    return Analysis_->SampleRate();
}

void TToneDecoder::Feed(const std::int16_t* samples, std::size_t count) {
    Analysis_->Feed(samples, count);
    if (const auto level = Analysis_->TakeLevelDbfs())
        LevelDbfs_.store(*level, std::memory_order_relaxed);
}

void TToneDecoder::Flush() {
    Analysis_->Flush();
}

std::vector<THeardSignal> TToneDecoder::TakeHeard() {
    return Analysis_->TakeHeard();
}

double TToneDecoder::InputLevelDbfs() const {
    return LevelDbfs_.load(std::memory_order_relaxed);
}
