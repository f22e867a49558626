#include "app/toneinput/ToneListener.h"

#include "framework/ErrorReport.h"

#include <QAudioSource>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// Tones go up to 3 kHz, so 16 kHz leaves room and keeps the decoder's work small.
constexpr int PreferredSampleRate = 16000;

QAudioFormat ListeningFormat(const QAudioDevice& device) {
    QAudioFormat format;
    format.setSampleRate(PreferredSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(format))
        return format;
    format = device.preferredFormat();
    if (format.sampleRate() < MinToneSampleRate || format.sampleRate() > MaxToneSampleRate)
        format.setSampleRate(std::clamp(format.sampleRate(), MinToneSampleRate, MaxToneSampleRate));
    if (!device.isFormatSupported(format) || format.channelCount() < 1 ||
        format.sampleFormat() == QAudioFormat::Unknown)
        throw std::runtime_error("Toneingang \"" + device.description().toStdString() +
                                 "\" liefert kein verwendbares Tonformat");
    return format;
}

} // namespace

// Receives what the audio source pushes and hands it on at once.
class TToneListener::TSampleSink : public QIODevice {
public:
    explicit TSampleSink(TToneListener& listener) : Listener_(listener) { open(WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    // Called from inside Qt's audio source, so nothing may leave it as an exception.
    qint64 writeData(const char* data, qint64 size) override {
        RunReportingErrors([&] { Listener_.Feed(data, size); });
        return size;
    }

private:
    TToneListener& Listener_;
};

TToneListener::TToneListener(QObject* parent) : QObject(parent) {}

TToneListener::~TToneListener() {
    Stop();
}

void TToneListener::Start(const QAudioDevice& device, TToneStandard standard) {
    Stop();
    const QAudioFormat format = ListeningFormat(device);
    Format_ = format;
    DeviceId_ = device.id();
    Decoder_ = std::make_unique<TToneDecoder>(standard, format.sampleRate());
    History_ =
        TSampleRing<std::int16_t>(static_cast<std::size_t>(format.sampleRate()) * KeptSeconds);
    Sink_ = std::make_unique<TSampleSink>(*this);
    Source_ = std::make_unique<QAudioSource>(device, format);
    connect(Source_.get(), &QAudioSource::stateChanged, this, [this] { SourceStateChanged(); });
    Source_->start(Sink_.get());
}

void TToneListener::Stop() {
    if (Source_) {
        // Stopping emits a state change; it must not read as a failure.
        Source_->disconnect(this);
        Source_->stop();
    }
    Source_.reset();
    Sink_.reset();
    Decoder_.reset();
}

double TToneListener::LevelDbfs() const {
    return Decoder_ ? Decoder_->InputLevelDbfs() : SilenceLevelDbfs;
}

double TToneListener::ListenedSeconds() const {
    return Decoder_ ? static_cast<double>(History_.Total()) / Format_.sampleRate() : 0.0;
}

TListenedAudio TToneListener::HeardSince(double fromSeconds) const {
    if (!Decoder_)
        return {};
    const int rate = Format_.sampleRate();
    const auto from = static_cast<std::uint64_t>(std::max(0.0, fromSeconds) * rate);
    TListenedAudio audio{History_.Since(from), rate, 0.0};
    audio.StartSeconds =
        static_cast<double>(History_.Total() - audio.Samples.size()) / static_cast<double>(rate);
    return audio;
}

void TToneListener::Feed(const char* data, qint64 size) {
    if (!Decoder_)
        return;
    const int channels = Format_.channelCount();
    const int bytesPerSample = Format_.bytesPerSample();
    const qint64 frameBytes = static_cast<qint64>(channels) * bytesPerSample;
    if (frameBytes <= 0)
        return;
    // Qt delivers whole frames; a stray partial one at the end would be noise, so it is left out.
    Mono_.resize(static_cast<std::size_t>(size / frameBytes));
    for (std::size_t frame = 0; frame < Mono_.size(); ++frame) {
        const char* at = data + static_cast<qint64>(frame) * frameBytes;
        float sum = 0.0F;
        for (int channel = 0; channel < channels; ++channel)
            sum += Format_.normalizedSampleValue(at + channel * bytesPerSample);
        const float mono = std::clamp(sum / static_cast<float>(channels), -1.0F, 1.0F);
        Mono_[frame] = static_cast<std::int16_t>(std::lround(mono * 32767.0F));
    }
    History_.Push(Mono_.data(), Mono_.size());
    Decoder_->Feed(Mono_.data(), Mono_.size());
    std::vector<THeardSignal> heard = Decoder_->TakeHeard();
    if (!heard.empty() && OnHeard_)
        OnHeard_(heard);
}

void TToneListener::SourceStateChanged() {
    if (!Source_ || Source_->state() != QAudio::StoppedState)
        return;
    const QAudio::Error error = Source_->error();
    if (error == QAudio::NoError || error == QAudio::UnderrunError)
        return;
    const QString reason = error == QAudio::OpenError ? QStringLiteral("lässt sich nicht öffnen")
                                                      : QStringLiteral("ausgefallen");
    // Released later: the source is still inside its own signal.
    Source_.release()->deleteLater();
    Sink_.release()->deleteLater();
    Decoder_.reset();
    if (OnFailure_)
        OnFailure_(reason);
}
