#include "platform/audioin/qt_audio_input.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <array>

namespace {

// A tenth of a second of 16-bit samples: the end of speech is noticed that promptly.
constexpr qsizetype kChunkBytes = AudioInput::kCaptureRate / 10 * 2;

}  // namespace

QtAudioInput::QtAudioInput() = default;

QtAudioInput::~QtAudioInput() {
    Stop();
}

bool QtAudioInput::HasMicrophone() const {
    return !QMediaDevices::defaultAudioInput().isNull();
}

bool QtAudioInput::Start(SampleSink sink) {
    Stop();
    const QAudioDevice input = QMediaDevices::defaultAudioInput();
    if (input.isNull()) {
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(kCaptureRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    source_ = std::make_unique<QAudioSource>(input, format);
    source_->setBufferSize(kChunkBytes * 4);
    device_ = source_->start();
    if (device_ == nullptr) {
        source_.reset();
        return false;
    }
    sink_ = std::move(sink);
    connect(device_, &QIODevice::readyRead, this, &QtAudioInput::Drain);
    return true;
}

void QtAudioInput::Stop() {
    if (!source_) {
        return;
    }
    disconnect(device_, nullptr, this, nullptr);
    source_->stop();
    device_ = nullptr;
    source_.reset();
    sink_ = nullptr;
}

void QtAudioInput::Drain() {
    std::array<std::int16_t, kChunkBytes / 2> chunk{};
    // A copy: the sink may stop the capture, which drops sink_ and ends the loop.
    const SampleSink sink = sink_;
    while (device_ != nullptr) {
        const qint64 got = device_->read(reinterpret_cast<char*>(chunk.data()), kChunkBytes);
        if (got < 2) {
            return;
        }
        sink(std::span<const std::int16_t>(chunk.data(), static_cast<std::size_t>(got / 2)));
    }
}
