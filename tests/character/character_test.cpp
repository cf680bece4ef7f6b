// Character files and the real agent on the offscreen platform: what is read, what is refused,
// how a character plays, and the character search.

#include <gtest/gtest.h>
#include <QDialog>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScreen>
#include <QStringList>
#include <cstring>
#include <filesystem>

#include "character/character_discovery.h"
#include "character/character_file.h"
#include "character/qtagent/qt_agent.h"
#include "character/qtagent/qt_agent_character.h"
#include "support/character_samples.h"
#include "support/recording_message_box.h"
#include "support/scratch_directory.h"

namespace {

std::optional<CharacterData> Read(const std::string& bytes, std::string& reason) {
    return ReadCharacter(bytes, reason);
}

std::string RefusalOf(const QJsonObject& document) {
    std::string reason;
    EXPECT_FALSE(Read(ToBytes(document), reason)) << "accepted";
    return reason;
}

TEST(CharacterFile, ReadsNameFramesAndAnimations) {
    std::string reason;
    const std::optional<CharacterData> data = Read(SampleCharacter(u"老师@home"_qs, 80), reason);
    ASSERT_TRUE(data) << reason;
    EXPECT_EQ(data->name, u"老师@home"_qs);
    ASSERT_EQ(data->frames.size(), 3u);
    EXPECT_EQ(data->frames[0].size(), QSize(80, 80));
    // Drawn: opaque at the centre, transparent in the corner.
    EXPECT_EQ(qAlpha(data->frames[0].pixel(40, 20)), 255);
    EXPECT_EQ(qAlpha(data->frames[0].pixel(0, 0)), 0);
    ASSERT_NE(data->Animation(u"Talk"_qs), nullptr);
    EXPECT_TRUE(data->Animation(u"Talk"_qs)->loop);
    EXPECT_FALSE(data->Animation(u"Greet"_qs)->loop);
}

TEST(CharacterFile, RefusesDamagedFilesWholeWithAReason) {
    std::string reason;
    EXPECT_FALSE(Read("{\"format\":", reason));
    EXPECT_NE(reason.find("JSON"), std::string::npos);
    EXPECT_FALSE(Read("[1]", reason));
    EXPECT_FALSE(Read(std::string(kMaxCharacterFileSize + 1, ' '), reason));

    QJsonObject missing = SampleCharacterDocument();
    QJsonObject animations = missing["animations"].toObject();
    animations.remove("Reading");
    missing["animations"] = animations;
    EXPECT_NE(RefusalOf(missing).find("Reading"), std::string::npos);

    QJsonObject badFrame = SampleCharacterDocument();
    QJsonObject frames = badFrame["frames"].toObject();
    frames["blink"] = "<svg><unclosed";
    badFrame["frames"] = frames;
    EXPECT_NE(RefusalOf(badFrame).find("blink"), std::string::npos);

    QJsonObject unknownFrame = SampleCharacterDocument();
    animations = unknownFrame["animations"].toObject();
    animations["Greet"] =
        QJsonObject{{"steps", QJsonArray{QJsonObject{{"frame", "x"}, {"ms", 50}}}}};
    unknownFrame["animations"] = animations;
    EXPECT_NE(RefusalOf(unknownFrame).find("\"x\""), std::string::npos);

    for (const auto& [key, value] :
         std::vector<std::pair<QString, QJsonValue>>{{"version", 2},
                                                     {"width", 31},
                                                     {"height", 512.5},
                                                     {"width", "64"},
                                                     {"name", ""},
                                                     {"name", QString(65, 'a')},
                                                     {"balloon", QJsonObject{{"x", 64}, {"y", 0}}},
                                                     {"frames", QJsonObject{}},
                                                     {"animations", QJsonArray{}}}) {
        QJsonObject document = SampleCharacterDocument();
        document[key] = value;
        EXPECT_FALSE(RefusalOf(document).empty()) << key.toStdString();
    }
    QJsonObject tooShort = SampleCharacterDocument();
    animations = tooShort["animations"].toObject();
    animations["Idle"] =
        QJsonObject{{"steps", QJsonArray{QJsonObject{{"frame", "rest"}, {"ms", 19}}}}};
    tooShort["animations"] = animations;
    EXPECT_FALSE(RefusalOf(tooShort).empty());
}

TEST(CharacterFile, FramesNeverReachOutsideTheDocument) {
    ScratchDirectory folder("outside");
    // A picture the frame would draw if it followed the link: a solid square over the corner.
    folder.Write("secret.svg",
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\">"
                 "<rect width=\"64\" height=\"64\" fill=\"red\"/></svg>");
    QJsonObject document = SampleCharacterDocument();
    QJsonObject frames = document["frames"].toObject();
    frames["rest"] = QStringLiteral(
                         "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                         "xmlns:xlink=\"http://www.w3.org/1999/xlink\" viewBox=\"0 0 64 64\">"
                         "<image x=\"0\" y=\"0\" width=\"64\" height=\"64\" xlink:href=\"%1\"/>"
                         "<circle cx=\"32\" cy=\"32\" r=\"10\" fill=\"#000\"/></svg>")
                         .arg(QString::fromStdString(folder.Path("secret.svg").string()));
    document["frames"] = frames;
    std::string reason;
    const std::optional<CharacterData> data = Read(ToBytes(document), reason);
    ASSERT_TRUE(data) << reason;
    EXPECT_EQ(qAlpha(data->frames[data->frameNames[0] == "rest" ? 0 : 1].pixel(1, 1)), 0);
}

class QtAgentTest : public ::testing::Test {
  protected:
    QtAgentTest() : agent_(folder_.Path().string()) {}

    QtAgentCharacter& LoadSample(const char* file = "one.acs") {
        folder_.Write(file, SampleCharacter());
        long id = 0;
        EXPECT_FALSE(agent_.Load(QString::fromUtf8(file).toStdU16String(), id));
        auto* character = dynamic_cast<QtAgentCharacter*>(agent_.GetCharacterEx(id));
        EXPECT_NE(character, nullptr);
        return *character;
    }

    // Runs the character's frame work until its queue is done, at most `limitMs`.
    static int RunUntilIdle(QtAgentCharacter& character, int limitMs = 30000) {
        int ms = 0;
        while (character.IsBusy() && ms < limitMs) {
            character.Advance(QtAgentCharacter::kFrameIntervalMs);
            ms += QtAgentCharacter::kFrameIntervalMs;
        }
        return ms;
    }

    ScratchDirectory folder_{"chars"};
    QtCharacterAgent agent_;
};

TEST_F(QtAgentTest, ShowPlayAndHideRunInOrderInAWindowThatTakesNoFocus) {
    QtAgentCharacter& character = LoadSample();
    CharacterWindow* window = character.Window();
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ((window->windowFlags() & Qt::WindowType_Mask), Qt::Tool);
    character.MoveTo(100, 120, 0);
    EXPECT_EQ(window->pos(), QPoint(100, 120));
    character.Show(false);
    for (const char* name : {"Greet", "RestPose", "Explain", "Reading", "DoMagic1", "DoMagic2"}) {
        character.Play(QString::fromUtf8(name).toStdU16String());
    }
    character.Advance(0);
    EXPECT_TRUE(window->isVisible());
    // Show and six animations of two 40 ms steps each.
    EXPECT_EQ(RunUntilIdle(character), 7 * 80);
    character.Hide(false);
    RunUntilIdle(character);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(QtAgentTest, GlideTakesTimeByDistanceAndEndsOnTheTarget) {
    QtAgentCharacter& character = LoadSample();
    character.MoveTo(0, 0, 0);
    character.Show(true);
    character.MoveTo(300, 400, 20);  // 500 px
    character.Advance(0);
    character.Advance(500);
    const QPoint halfway = character.Window()->pos();
    EXPECT_GT(halfway.x(), 0);
    EXPECT_LT(halfway.x(), 300);
    RunUntilIdle(character);
    EXPECT_EQ(character.Window()->pos(), QPoint(300, 400));
    EXPECT_EQ(QtAgentCharacter::GlideMs(0), 500);
    EXPECT_EQ(QtAgentCharacter::GlideMs(5000), 1500);
}

TEST_F(QtAgentTest, BalloonTalksUntilReadAndStopSpeakRemovesItAtOnce) {
    QtAgentCharacter& character = LoadSample();
    character.MoveTo(300, 300, 0);
    character.Show(true);
    character.Speak(u"你好，我们今天学习英语。 Hello, today we learn English together.");
    character.Advance(0);
    BalloonWindow* balloon = character.Balloon();
    ASSERT_TRUE(balloon->isVisible());
    EXPECT_LE(balloon->width(), BalloonWindow::kMaxTextWidth + 40);
    EXPECT_GT(balloon->height(), 40);           // wrapped onto several lines
    EXPECT_EQ(character.Window()->Frame(), 2);  // the talking mouth
    character.Advance(2000);
    EXPECT_TRUE(balloon->isVisible());
    character.StopAll(kStopTypePlay);
    EXPECT_TRUE(balloon->isVisible());
    character.StopAll(kStopTypeSpeak);
    EXPECT_FALSE(balloon->isVisible());
    EXPECT_FALSE(character.IsBusy());
    EXPECT_GT(QtAgentCharacter::BalloonMs(u"一二三四五六七八九十"_qs),
              QtAgentCharacter::BalloonMs(u"one two"_qs));
}

TEST_F(QtAgentTest, StopPlayDropsQueuedAnimationsButKeepsTheBalloonAndTheDestination) {
    QtAgentCharacter& character = LoadSample();
    character.Show(true);
    character.Play(u"Greet");
    character.Speak(u"Hi");
    character.Play(u"RestPose");
    character.MoveTo(200, 10, 20);
    character.StopAll(kStopTypePlay);
    character.Advance(0);
    EXPECT_TRUE(character.Balloon()->isVisible());
    EXPECT_EQ(character.Window()->pos(), QPoint(200, 10)) << "a dropped glide still arrives";
}

TEST_F(QtAgentTest, CharacterStaysWholeInsideTheScreensFreeArea) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QtAgentCharacter& character = LoadSample();
    character.Show(true);
    // Where a stored window rectangle from a screen that is gone sends it, at once and gliding.
    character.MoveTo(static_cast<short>(area.right() - 16), -500, 0);
    EXPECT_TRUE(area.contains(character.Window()->geometry())) << character.Window()->x();
    character.MoveTo(static_cast<short>(area.right() + 3000), 0, 20);
    RunUntilIdle(character);
    EXPECT_TRUE(area.contains(character.Window()->geometry())) << character.Window()->x();
    EXPECT_EQ(character.Window()->geometry().right(), area.right());
}

TEST_F(QtAgentTest, NoBalloonPopsUpAloneWhileTheMainWindowIsMinimised) {
    QDialog owner;
    owner.setModal(true);
    owner.show();
    QtAgentCharacter& character = LoadSample();
    character.Show(true);
    ASSERT_EQ(character.Window()->parentWidget(), &owner);
    character.Speak(u"Good morning.");
    character.Advance(0);
    ASSERT_TRUE(character.Balloon()->isVisible());
    owner.showMinimized();
    EXPECT_FALSE(character.Balloon()->isVisible());
    // Reading goes on meanwhile.
    character.StopAll(kStopTypeSpeak);
    character.Speak(u"How are you?");
    character.Advance(0);
    EXPECT_FALSE(character.Balloon()->isVisible());
    owner.showNormal();
    EXPECT_TRUE(character.Balloon()->isVisible());
}

TEST_F(QtAgentTest, RefusedFilesLoadNothing) {
    folder_.Write("broken.acs", "{\"format\": \"quorvan-character\"");
    long id = 7;
    EXPECT_EQ(agent_.Load(u"broken.acs", id), AgentError::kInvalidFile);
    EXPECT_EQ(agent_.GetCharacterEx(id), nullptr);
    EXPECT_EQ(agent_.Load(u"absent.acs", id), std::errc::no_such_file_or_directory);
}

TEST_F(QtAgentTest, DiscoveryListsLoadableCharactersInDirectoryOrder) {
    folder_.Write("b.acs", SampleCharacter(u"Bee@Hive"_qs));
    folder_.Write("broken.acs", "not json");
    folder_.Write("a.ACS", SampleCharacter(u"小安"_qs));
    folder_.Write("notes.txt", "x");
    RecordingMessageBox box;
    std::vector<std::string> list{"stale"};
    EnumerateCharacters(list, &agent_, &box, folder_.Path().string());
    // Directory order is the file system's own, as a directory listing gives it.
    std::vector<std::string> expected;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
        const std::string name = entry.path().filename().string();
        if (name == "b.acs") {
            expected.push_back("b.acs@Bee@Hive");
        } else if (name == "a.ACS") {
            expected.push_back("a.ACS@\xD0\xA1\xB0\xB2");
        }
    }
    EXPECT_EQ(list, expected);
    EXPECT_TRUE(box.Messages().empty());
    EXPECT_EQ(agent_.GetCharacterEx(1), nullptr);  // every one unloaded again
}

TEST_F(QtAgentTest, DiscoveryOfAMissingOrEmptyFolderShowsTheSystemsText) {
    RecordingMessageBox box;
    std::vector<std::string> list{"stale"};
    EnumerateCharacters(list, &agent_, &box, folder_.Path("absent").string());
    EXPECT_TRUE(list.empty());
    EnumerateCharacters(list, &agent_, &box, folder_.Path().string());
    const QString text = QString::fromLocal8Bit(std::strerror(ENOENT));
    EXPECT_EQ(box.Messages(), (std::vector<RecordingMessageBox::Message>{
                                  {nullptr, "Error", text, MessageIcon::kInformation},
                                  {nullptr, "Error", text, MessageIcon::kInformation}}));
}

}  // namespace
