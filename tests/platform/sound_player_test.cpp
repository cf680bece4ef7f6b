#include <gtest/gtest.h>
#include <stdlib.h>
#include <QAudioDevice>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMediaDevices>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/sound/qt_sound_player.h"

namespace fs = std::filesystem;

namespace {

// A valid WAV file: 0.1 s of a 16-bit mono 8 kHz saw tooth.
void WriteWav(const fs::path& path) {
    constexpr std::uint32_t kRate = 8000;
    constexpr std::uint32_t kSamples = kRate / 10;
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&out](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.put(static_cast<char>(v >> (8 * i)));
    };
    const auto u16 = [&out](std::uint16_t v) {
        out.put(static_cast<char>(v));
        out.put(static_cast<char>(v >> 8));
    };
    out << "RIFF";
    u32(36 + kSamples * 2);
    out << "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(kRate);
    u32(kRate * 2);
    u16(2);
    u16(16);
    out << "data";
    u32(kSamples * 2);
    for (std::uint32_t i = 0; i < kSamples; ++i)
        u16(static_cast<std::uint16_t>((i % 40) * 800));
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
        std::string pattern = (fs::temp_directory_path() / "quorvan-sound-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = fs::canonical(pattern);
        WriteWav(dir_ / "logo.wav");
        std::ofstream(dir_ / "noise.wav") << "RIFF but not a sound at all";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the event loop until the player has finished decoding; bounded for a broken player.
    void Settle() {
        QDeadlineTimer deadline(10000);
        while (player_.IsLoading() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_FALSE(player_.IsLoading());
    }

    std::string PathOf(const char* name) const { return (dir_ / name).string(); }

    static inline bool hasOutput_ = false;
    fs::path dir_;
    QtSoundPlayer player_;
};

TEST_F(QtSoundPlayerTest, LoopsAWavFileNamedRelativeToTheCurrentDirectory) {
    MessageCapture capture;
    {
        ScopedCurrentDirectory course(dir_.string());
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
    player_.PlayLooping(dir_.string());  // a directory is no sound either
    EXPECT_EQ(player_.CurrentFile(), "");
    EXPECT_TRUE(capture.Messages().empty()) << capture.Messages().front().toStdString();
}

TEST_F(QtSoundPlayerTest, UndecodableFilePlaysNothingAndDoesNotSilenceItsSuccessor) {
    if (!hasOutput_)
        GTEST_SKIP() << "files are decoded only for an audio output, and there is none";
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
