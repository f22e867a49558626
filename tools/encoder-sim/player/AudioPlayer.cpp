#include "tools/encoder-sim/player/AudioPlayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>

namespace EncoderSim {

namespace {

// Tones lie below 3 kHz; the device resamples whatever rate it does not take natively.
constexpr int PreferredRate = 22050;
// An output that has stopped pulling must not make the queue grow without end.
constexpr int LongestQueueSeconds = 120;

} // namespace

struct TAudioPlayer::TQueue {
    std::mutex Lock;
    std::deque<std::int16_t> Samples;
};

namespace {

// What the output pulls from: queued samples, then silence.
class TQueuedSource : public QIODevice {
public:
    explicit TQueuedSource(std::shared_ptr<TAudioPlayer::TQueue> queue)
        : Queue_(std::move(queue)) {}

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const auto wanted = static_cast<std::size_t>(maxSize / 2);
        std::size_t taken = 0;
        {
            std::lock_guard lock(Queue_->Lock);
            taken = std::min(wanted, Queue_->Samples.size());
            std::int16_t* out = reinterpret_cast<std::int16_t*>(data);
            std::copy_n(Queue_->Samples.begin(), taken, out);
            Queue_->Samples.erase(Queue_->Samples.begin(),
                                  Queue_->Samples.begin() + static_cast<std::ptrdiff_t>(taken));
        }
        std::memset(data + 2 * taken, 0, 2 * (wanted - taken));
        return static_cast<qint64>(2 * wanted);
    }

    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<TAudioPlayer::TQueue> Queue_;
};

} // namespace

TAudioPlayer::TAudioPlayer() : Queue_(std::make_shared<TQueue>()) {
    std::promise<int> started;
    std::future<int> rate = started.get_future();
    Thread_ = std::thread([this, &started] { Run(started); });
    try {
        SampleRate_ = rate.get();
    } catch (...) {
        Thread_.join();
        throw;
    }
}

TAudioPlayer::~TAudioPlayer() {
    if (QCoreApplication* loop = Loop_.load())
        QMetaObject::invokeMethod(
            loop, [loop] { loop->quit(); }, Qt::QueuedConnection);
    Thread_.join();
}

void TAudioPlayer::Play(std::vector<std::int16_t> samples) {
    std::lock_guard lock(Queue_->Lock);
    if (Queue_->Samples.size() > static_cast<std::size_t>(LongestQueueSeconds) * SampleRate_)
        return;
    Queue_->Samples.insert(Queue_->Samples.end(), samples.begin(), samples.end());
}

void TAudioPlayer::Run(std::promise<int>& started) {
    // The only Qt application object in the simulator; it lives on this thread.
    int argc = 1;
    char name[] = "quorvane-encoder-sim";
    char* argv[] = {name, nullptr};
    QCoreApplication loop(argc, argv);

    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        started.set_exception(
            std::make_exception_ptr(std::runtime_error("no audio output device for --play")));
        return;
    }
    QAudioFormat format;
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    format.setSampleRate(PreferredRate);
    if (!device.isFormatSupported(format))
        format.setSampleRate(device.preferredFormat().sampleRate());
    if (!device.isFormatSupported(format)) {
        started.set_exception(std::make_exception_ptr(
            std::runtime_error("the audio output " + device.description().toStdString() +
                               " takes no 16-bit mono samples")));
        return;
    }

    TQueuedSource source(Queue_);
    source.open(QIODevice::ReadOnly);
    QAudioSink sink(device, format);
    sink.start(&source);
    if (sink.error() != QAudio::NoError) {
        started.set_exception(std::make_exception_ptr(std::runtime_error(
            "cannot open the audio output " + device.description().toStdString())));
        return;
    }
    Loop_.store(&loop);
    started.set_value(format.sampleRate());
    loop.exec();
    Loop_.store(nullptr);
    sink.stop();
}

} // namespace EncoderSim
