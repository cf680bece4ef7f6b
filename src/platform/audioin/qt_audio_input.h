#pragma once

#include <QObject>
#include <memory>

#include "platform/audioin/audio_input.h"

class QAudioSource;
class QIODevice;

// Captures through Qt Multimedia's audio input (QAudioSource) from the default input of the sound
// server the voices play on, at 16 kHz mono; the server converts whatever the device records.
class QtAudioInput final : public QObject, public AudioInput {
    Q_OBJECT
  public:
    QtAudioInput();
    ~QtAudioInput() override;

    bool HasMicrophone() const override;
    bool Start(SampleSink sink) override;
    void Stop() override;

  private:
    // Hands what the source holds to the sink.
    void Drain();

    std::unique_ptr<QAudioSource> source_;
    QIODevice* device_ = nullptr;
    SampleSink sink_;
};
