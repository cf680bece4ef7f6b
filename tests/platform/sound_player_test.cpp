#include <gtest/gtest.h>
#include <QAudioDevice>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMediaDevices>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/sound/qt_sound_player.h"
#include "support/little_endian.h"
#include "support/media_headers.h"
#include "support/scratch_directory.h"

namespace {

// A valid WAV file: 0.1 s of a 16-bit mono 8 kHz saw tooth.
std::string Wav() {
    constexpr std::uint32_t kRate = 8000;
    constexpr std::uint32_t kSamples = kRate / 10;
    std::string wav = WavHeader(kRate, 1, kSamples * 2);
    for (std::uint32_t i = 0; i < kSamples; ++i) {
        wav += Le16(static_cast<std::uint16_t>((i % 40) * 800));
    }
    return wav;
}

// Collects Qt's messages while alive.
class MessageCapture {
  public:
    MessageCapture() { previous_ = qInstallMessageHandler(&Collect); }
    ~MessageCapture() {
        qInstallMessageHandler(previous_);
        messages_.clear();
    }
    const std::vector<QString>& Messages() const { return messages_; }

  private:
    static void Collect(QtMsgType, const QMessageLogContext&, const QString& message) {
        messages_.push_back(message);
    }
    static inline std::vector<QString> messages_;
    QtMessageHandler previous_;
};

class QtSoundPlayerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Qt Multimedia announces a missing sound server once, at its first use; get that over.
        hasOutput_ = !QMediaDevices::audioOutputs().isEmpty();
    }

    void SetUp() override {
        scratch_.Write("logo.wav", Wav());
        scratch_.Write("noise.wav", "RIFF but not a sound at all");
    }

    // Runs the event loop until the player has finished decoding; bounded for a broken player.
    void Settle() {
        QDeadlineTimer deadline(10000);
        while (player_.IsLoading() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        ASSERT_FALSE(player_.IsLoading());
    }

    std::string PathOf(const char* name) const { return scratch_.Path(name).string(); }

    static inline bool hasOutput_ = false;
    ScratchDirectory scratch_{"sound"};
    QtSoundPlayer player_;
};

TEST_F(QtSoundPlayerTest, LoopsAWavFileNamedRelativeToTheCurrentDirectory) {
    MessageCapture capture;
    {
        ScopedCurrentDirectory course(scratch_.Path().string());
        ASSERT_TRUE(course.Changed());
        player_.PlayLooping("logo.wav");
    }
    EXPECT_EQ(player_.CurrentFile(), PathOf("logo.wav"));
    if (hasOutput_) {
        Settle();
        EXPECT_EQ(player_.CurrentFile(), PathOf("logo.wav"));
    } else {
        // Nothing to hear, so nothing is decoded and nothing is said about the missing output.
        EXPECT_FALSE(player_.IsLoading());
        EXPECT_FALSE(player_.IsAudible());
    }

    player_.Stop();
    EXPECT_EQ(player_.CurrentFile(), "");
    EXPECT_FALSE(player_.IsAudible());
    player_.Stop();
    EXPECT_TRUE(capture.Messages().empty()) << capture.Messages().front().toStdString();
}

TEST_F(QtSoundPlayerTest, MissingFileStopsTheSoundAndStaysQuiet) {
    player_.PlayLooping(PathOf("logo.wav"));
    MessageCapture capture;
    player_.PlayLooping(PathOf("missing.wav"));
    EXPECT_EQ(player_.CurrentFile(), "");
    EXPECT_FALSE(player_.IsLoading());
    EXPECT_FALSE(player_.IsAudible());

    player_.PlayLooping("");
    player_.PlayLooping(scratch_.Path().string());  // a directory is no sound either
    EXPECT_EQ(player_.CurrentFile(), "");
    EXPECT_TRUE(capture.Messages().empty()) << capture.Messages().front().toStdString();
}

TEST_F(QtSoundPlayerTest, AFileTooLargeToHoldIsNotGivenToQt) {
    // Qt would read all 2 GB into memory, where there is an output to play them.
    const std::uint32_t samples = 2u << 30;
    WriteSparseFile(scratch_.Path("huge.wav"), WavHeader(44100, 2, samples), 44 + samples);
    player_.PlayLooping(PathOf("huge.wav"));
    EXPECT_EQ(player_.CurrentFile(), "");
    EXPECT_FALSE(player_.IsLoading());
}

TEST_F(QtSoundPlayerTest, UndecodableFilePlaysNothingAndDoesNotSilenceItsSuccessor) {
    if (!hasOutput_) {
        GTEST_SKIP() << "files are decoded only for an audio output, and there is none";
    }
    player_.PlayLooping(PathOf("noise.wav"));
    Settle();
    EXPECT_EQ(player_.CurrentFile(), "");
    EXPECT_FALSE(player_.IsAudible());

    player_.PlayLooping(PathOf("noise.wav"));
    player_.PlayLooping(PathOf("logo.wav"));
    Settle();
    EXPECT_EQ(player_.CurrentFile(), PathOf("logo.wav"));
    EXPECT_TRUE(player_.IsAudible());
}

}  // namespace
