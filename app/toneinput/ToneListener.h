#pragma once
// The tone input: one audio input of Qt Multimedia, mixed to mono 16-bit samples and fed to a
// tone decoder as it arrives.
//
// Everything runs on the thread that owns the listener (the window's): Qt's audio source pushes
// its data there, and the decoder keeps up with live input at a small fraction of one core, so
// no worker is needed and stopping is immediate. Start replaces what ran before and throws
// std::runtime_error (German text, for the error report) when the input offers no format the
// decoder takes; the handlers are called from inside the audio source's delivery and must not
// throw. Stop and destruction release the device. The last minute of input is kept, so that
// what was heard can be drawn after the fact; its clock is the decoder's (seconds since Start).

#include "app/tones/SampleRing.h"
#include "app/tones/ToneDecoder.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QIODevice>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QAudioSource;

// Input as heard: mono 16-bit samples at Rate, the first heard at StartSeconds.
struct TListenedAudio {
    std::vector<std::int16_t> Samples;
    int Rate = 0;
    double StartSeconds = 0.0;
};

class TToneListener : public QObject {
public:
    static constexpr int KeptSeconds = 60;

    using THeardHandler = std::function<void(const std::vector<THeardSignal>& heard)>;
    using TFailureHandler = std::function<void(const QString& reason)>;

    explicit TToneListener(QObject* parent);
    ~TToneListener() override;

    void Start(const QAudioDevice& device, TToneStandard standard);
    void Stop();
    bool Listening() const { return Decoder_ != nullptr; }
    // The input listened to; empty while not listening.
    QByteArray DeviceId() const { return Listening() ? DeviceId_ : QByteArray(); }
    // The input's level in dBFS; SilenceLevelDbfs while not listening.
    double LevelDbfs() const;
    // Seconds of input heard since Start; 0 while not listening.
    double ListenedSeconds() const;
    // What was heard from `fromSeconds` on, as far as the last minute reaches; nothing while
    // not listening.
    TListenedAudio HeardSince(double fromSeconds) const;

    void SetOnHeard(THeardHandler handler) { OnHeard_ = std::move(handler); }
    // The input stopped by itself (device gone, stream broken); the listener has stopped.
    void SetOnFailure(TFailureHandler handler) { OnFailure_ = std::move(handler); }

private:
    class TSampleSink;

    void Feed(const char* data, qint64 size);
    void SourceStateChanged();

    THeardHandler OnHeard_;
    TFailureHandler OnFailure_;
    QAudioFormat Format_;
    QByteArray DeviceId_;
    std::unique_ptr<TToneDecoder> Decoder_;
    std::unique_ptr<TSampleSink> Sink_;
    std::unique_ptr<QAudioSource> Source_;
    std::vector<std::int16_t> Mono_;
    TSampleRing<std::int16_t> History_{0};
};
