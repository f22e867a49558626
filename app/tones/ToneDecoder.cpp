#include "app/tones/ToneDecoder.h"

#include <stdexcept>

class ToneAnalysis {
public:
    ToneAnalysis(ToneStandard standard, int sampleRate)
        : standard_(standard), sampleRate_(sampleRate) {}
    ToneStandard standard_;
    int sampleRate_;
};

ToneDecoder::ToneDecoder(ToneStandard standard, int sampleRate) {
    if (sampleRate < MinToneSampleRate || sampleRate > MaxToneSampleRate) {
        throw std::invalid_argument("sample rate outside 8000..48000 Hz");
    }
    analysis_ = std::make_unique<ToneAnalysis>(standard, sampleRate);
}

ToneDecoder::~ToneDecoder() = default;

ToneStandard ToneDecoder::Standard() const { return analysis_->standard_; }
int ToneDecoder::SampleRate() const { return analysis_->sampleRate_; }

void ToneDecoder::Feed(const std::int16_t*, std::size_t) {}
void ToneDecoder::Flush() {}
std::vector<HeardSignal> ToneDecoder::TakeHeard() { return {}; }
double ToneDecoder::InputLevelDbfs() const { return levelDbfs_.load(std::memory_order_relaxed); }
