// Character files and the real agent on the offscreen platform: what is read, what is refused,
// how a character plays, and the character search.

#include <gtest/gtest.h>
#include <QDialog>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScreen>
#include <QStringList>
#include <atomic>
#include <chrono>
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

// The frames of `bytes` as the tutor draws them; empty when refused.
std::vector<QImage> Drawn(const std::string& bytes) {
    std::string reason;
    const std::optional<CharacterData> data = ReadCharacter(bytes, reason);
    EXPECT_TRUE(data) << reason;
    const std::atomic<bool> stop{false};
    std::optional<std::vector<QImage>> frames =
        data ? DrawFrames(*data, kMaxDrawTime, stop, reason) : std::nullopt;
    EXPECT_TRUE(frames) << reason;
    return frames ? std::move(*frames) : std::vector<QImage>();
}

// Whether any pixel of `image` is mostly red.
bool HasRed(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) > 128 && qRed(pixel) > 200 && qBlue(pixel) < 80) {
                return true;
            }
        }
    }
    return false;
}

// The sample character with its frame "rest" replaced by `svg`.
std::string WithRestFrame(const QString& svg, int size = 64) {
    QJsonObject document = SampleCharacterDocument(QStringLiteral("Sample"), size);
    QJsonObject frames = document["frames"].toObject();
    frames["rest"] = svg;
    document["frames"] = frames;
    return ToBytes(document);
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
    const std::vector<QImage> frames = Drawn(SampleCharacter(u"老师@home"_qs, 80));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].size(), QSize(80, 80));
    // Drawn: opaque at the centre, transparent in the corner.
    EXPECT_EQ(qAlpha(frames[0].pixel(40, 20)), 255);
    EXPECT_EQ(qAlpha(frames[0].pixel(0, 0)), 0);
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
    // What the frame would draw if it followed a reference out: red all over, or a red circle
    // by a style sheet.
    folder.Write("secret.svg",
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\">"
                 "<rect width=\"64\" height=\"64\" fill=\"red\"/></svg>");
    folder.Write("red.css", "circle { fill: #ff0000 }");
    QImage red(64, 64, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(folder.Path("red.png").string())));
    const QString picture =
        QStringLiteral(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"64\" height=\"64\">"
            "<image width=\"64\" height=\"64\" xlink:href=\"%1\"/></svg>")
            .arg(QString::fromStdString(folder.Path("red.png").string()));
    const QString frame =
        QStringLiteral(
            "<?xml-stylesheet type=\"text/css\" href=\"%1\"?>"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" viewBox=\"0 0 64 64\">"
            "<image x=\"0\" y=\"0\" width=\"64\" height=\"64\" xlink:href=\"%2\"/>"
            "<image x=\"0\" y=\"0\" width=\"64\" height=\"64\" "
            "xlink:href=\"data:image/svg+xml;base64,%3\"/>"
            "<circle cx=\"32\" cy=\"32\" r=\"10\"/></svg>")
            .arg(QString::fromStdString(folder.Path("red.css").string()),
                 QString::fromStdString(folder.Path("secret.svg").string()),
                 QString::fromLatin1(picture.toUtf8().toBase64()));
    const std::vector<QImage> frames = Drawn(WithRestFrame(frame));
    ASSERT_EQ(frames.size(), 3u);
    for (const QImage& image : frames) {
        EXPECT_FALSE(HasRed(image));
    }
}

TEST(CharacterFile, FramesThatWouldDrawTooMuchAreRefusedBeforeDrawing) {
    // Translucent circles over the whole frame, as many as 256 KiB hold: seconds for each frame.
    QString circles;
    while (circles.size() < 200000) {
        circles += QStringLiteral("<circle cx='256' cy='256' r='300' fill-opacity='0.05'/>");
    }
    std::string reason;
    EXPECT_FALSE(Read(WithRestFrame(QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' "
                                                   "viewBox='0 0 512 512'>%1</svg>")
                                        .arg(circles),
                                    512),
                      reason));
    EXPECT_NE(reason.find("draws too much"), std::string::npos) << reason;
}

TEST(CharacterFile, DrawingStopsWhenItsTimeIsUpOrItIsToldTo) {
    std::string reason;
    const std::optional<CharacterData> data = Read(SampleCharacter(), reason);
    ASSERT_TRUE(data) << reason;
    std::atomic<bool> stop{false};
    EXPECT_FALSE(DrawFrames(*data, std::chrono::milliseconds(-1), stop, reason));
    EXPECT_NE(reason.find("longer than"), std::string::npos) << reason;
    stop = true;
    EXPECT_FALSE(DrawFrames(*data, kMaxDrawTime, stop, reason));
    EXPECT_TRUE(reason.empty()) << reason;
}

class QtAgentTest : public ::testing::Test {
  protected:
    QtAgentTest() : agent_(folder_.Path().string()) {}

    // The sample character loaded and, unless `drawn` is false, its frames drawn.
    QtAgentCharacter& LoadSample(bool drawn = true) {
        folder_.Write("one.acs", SampleCharacter());
        long id = 0;
        EXPECT_FALSE(agent_.Load(u"one.acs", id));
        auto* character = dynamic_cast<QtAgentCharacter*>(agent_.GetCharacterEx(id));
        EXPECT_NE(character, nullptr);
        if (drawn) {
            EXPECT_TRUE(character->WaitForFrames());
        }
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

TEST_F(QtAgentTest, FramesAreDrawnAwayFromTheGuiThreadWhileRequestsWait) {
    QtAgentCharacter& character = LoadSample(false);
    character.Show(true);
    character.Play(u"Greet");
    for (int ms = 0; ms < 1000; ms += QtAgentCharacter::kFrameIntervalMs) {
        character.Advance(QtAgentCharacter::kFrameIntervalMs);
    }
    // Nothing was drawn on this thread: no frames until they are taken from the drawing thread.
    EXPECT_TRUE(character.Frames().empty());
    EXPECT_FALSE(character.Window()->isVisible());
    EXPECT_TRUE(character.IsBusy());
    ASSERT_TRUE(character.WaitForFrames());
    EXPECT_EQ(character.Frames().size(), 3u);
    EXPECT_TRUE(character.Window()->isVisible());
    character.Advance(0);
    EXPECT_EQ(RunUntilIdle(character), 80) << "the greeting still plays whole";
}

TEST_F(QtAgentTest, FramesThatTakeTooLongToDrawRefuseTheCharacterOnce) {
    QtCharacterAgent slow(folder_.Path().string(), std::chrono::milliseconds(-1));
    folder_.Write("one.acs", SampleCharacter());
    long id = 0;
    ASSERT_FALSE(slow.Load(u"one.acs", id));
    auto* character = dynamic_cast<QtAgentCharacter*>(slow.GetCharacterEx(id));
    ASSERT_NE(character, nullptr);
    character->Show(true);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(character->WaitForFrames());
    EXPECT_FALSE(character->WaitForFrames());
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log.find("cannot load character"), log.rfind("cannot load character")) << log;
    EXPECT_NE(log.find("one.acs: its frames take longer"), std::string::npos) << log;
    character->Play(u"Greet");
    character->Advance(0);
    EXPECT_FALSE(character->IsBusy());
    EXPECT_FALSE(character->Window()->isVisible());
}

TEST_F(QtAgentTest, OnlyFileNamesInTheCharacterFolderAreRead) {
    ScratchDirectory elsewhere("elsewhere");
    elsewhere.Write("x.acs", SampleCharacter());
    folder_.Write("x.acs", SampleCharacter());
    elsewhere.Enter();
    const std::string climb = "../" + elsewhere.Path().filename().string() + "/x.acs";
    for (const std::string& name : {elsewhere.Path("x.acs").string(), climb, std::string("./x.acs"),
                                    std::string(".."), std::string(".x.acs")}) {
        long id = 7;
        std::u16string display;
        const std::u16string file = QString::fromStdString(name).toStdU16String();
        EXPECT_EQ(agent_.Load(file, id), AgentError::kNotInFolder) << name;
        EXPECT_EQ(agent_.GetCharacterEx(id), nullptr) << name;
        EXPECT_EQ(agent_.ReadName(file, display), AgentError::kNotInFolder) << name;
    }
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

TEST_F(QtAgentTest, DiscoveryReadsNamesWithoutLookingAtFrames) {
    // Frames that are not even SVG: the name is listed, the character refused when loaded.
    QJsonObject document = SampleCharacterDocument(u"Unclosed"_qs);
    QJsonObject frames = document["frames"].toObject();
    frames["rest"] = "<svg><unclosed";
    document["frames"] = frames;
    folder_.Write("u.acs", ToBytes(document));
    std::vector<std::string> list;
    EnumerateCharacters(list, &agent_, nullptr, folder_.Path().string());
    EXPECT_EQ(list, std::vector<std::string>{"u.acs@Unclosed"});
    long id = 0;
    EXPECT_EQ(agent_.Load(u"u.acs", id), AgentError::kInvalidFile);
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
