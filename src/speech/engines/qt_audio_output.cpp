#include "speech/engines/qt_audio_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// What the device pulls: the voice's samples, and silence while the voice has none, so that the
// stream keeps running between utterances and the next one starts without reopening it.
class PullStream final : public QIODevice {
  public:
    explicit PullStream(PcmSource& source) : source_(source) {}

    std::int64_t Handed() const { return handed_; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const auto count = static_cast<std::size_t>(maxSize / 2);
        auto* out = reinterpret_cast<std::int16_t*>(data);
        const std::size_t got = source_.Pull(out, count);
        std::fill(out + got, out + count, std::int16_t{0});
        handed_ += static_cast<std::int64_t>(count);
        return static_cast<qint64>(count * 2);
    }
    qint64 writeData(const char*, qint64) override { return -1; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }

  private:
    PcmSource& source_;
    std::atomic<std::int64_t> handed_{0};
};

class DeviceOutput final : public AudioOutput {
  public:
    DeviceOutput(PcmSource& source, const QAudioDevice& device, const QAudioFormat& format)
        : source_(source), sampleRate_(format.sampleRate()) {
        thread_.setObjectName(QStringLiteral("quorvan-audio"));
        // Whatever is invoked on the context object runs on the audio thread.
        context_.moveToThread(&thread_);
        thread_.start();
        QMetaObject::invokeMethod(
            &context_,
            [this, device, format] {
                stream_ = std::make_unique<PullStream>(source_);
                stream_->open(QIODevice::ReadOnly);
                sink_ = std::make_unique<QAudioSink>(device, format);
                // Short enough that a purge is heard at once.
                sink_->setBufferSize(format.bytesForDuration(kOutputBufferMs * 1000));
                sink_->start(stream_.get());
                timer_ = std::make_unique<QTimer>();
                timer_->setInterval(5);
                QObject::connect(timer_.get(), &QTimer::timeout, [this] { ReportPlayed(); });
                timer_->start();
            },
            Qt::BlockingQueuedConnection);
    }

    ~DeviceOutput() override {
        QMetaObject::invokeMethod(
            &context_,
            [this] {
                timer_.reset();
                if (sink_) {
                    sink_->stop();
                }
                sink_.reset();
                stream_.reset();
            },
            Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }

    int SampleRate() const override { return sampleRate_; }
    // The device pulls on its own schedule.
    void Wake() override {}

  private:
    void ReportPlayed() {
        const auto processed =
            static_cast<std::int64_t>(sink_->processedUSecs() * sampleRate_ / 1000000);
        source_.Played(std::min(processed, stream_->Handed()));
    }

    PcmSource& source_;
    const int sampleRate_;
    QThread thread_;
    QObject context_;
    std::unique_ptr<PullStream> stream_;
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<QTimer> timer_;
};

}  // namespace

bool HasAudioDevice() {
    return !QMediaDevices::defaultAudioOutput().isNull();
}

std::unique_ptr<AudioOutput> MakeDeviceOutput(PcmSource& source, int preferredRate) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        return nullptr;
    }
    QAudioFormat format;
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    format.setSampleRate(preferredRate);
    if (!device.isFormatSupported(format)) {
        format.setSampleRate(device.preferredFormat().sampleRate());
        if (!device.isFormatSupported(format)) {
            return nullptr;
        }
    }
    return std::make_unique<DeviceOutput>(source, device, format);
}
