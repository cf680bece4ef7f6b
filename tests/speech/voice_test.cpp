// The voice and the role's voices on the scripted engine: voice choice, speaking, stopping,
// mouth pictures, and the course's mouth-shape and phonetic tables.

#include "speech/voice.h"
#include "speech/speakable_text.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QTimer>

#include "platform/events/qt_event_pump.h"
#include "platform/events/voice_notification.h"
#include "speech/role.h"
#include "speech/speakable_text.h"
#include "support/media_headers.h"
#include "support/recording_message_box.h"
#include "support/scratch_directory.h"
#include "support/scripted_speech_engine.h"

namespace {

const QString kInitFailure = QStringLiteral("Failed in init TTS!");

// A small bitmap file of one colour.
std::string Bitmap(Qt::GlobalColor color) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.toStdString();
}

bool Shows(const QLabel& label, const QPixmap& picture) {
    return !picture.isNull() && label.pixmap().cacheKey() == picture.cacheKey();
}

class VoiceTest : public ::testing::Test {
  protected:
    void SetUp() override { g_hCurrentSpeakDone = nullptr; }
    void TearDown() override { g_hCurrentSpeakDone = nullptr; }

    SpeechServices Services() { return SpeechServices{&engine_, &messages_, &pump_}; }
    ScriptedVoice& Engine(const CVoice& voice) {
        return *static_cast<ScriptedVoice*>(voice.m_pVoice.get());
    }
    int Failures() const {
        int count = 0;
        for (const RecordingMessageBox::Message& message : messages_.Messages()) {
            count += message.text == kInitFailure ? 1 : 0;
        }
        return count;
    }

    ScriptedSpeechEngine engine_;
    RecordingMessageBox messages_;
    QtEventPump pump_;
    QLabel picture_;
};

TEST_F(VoiceTest, EachLanguageGetsItsPreferredMaleVoice) {
    CVoice english(1, Services());
    CVoice chinese(0, Services());
    ASSERT_TRUE(english.m_pToken && chinese.m_pToken);
    EXPECT_EQ(english.m_pToken->name, "preferred_en");
    EXPECT_EQ(Engine(english).Voice().name, "preferred_en");
    EXPECT_EQ(chinese.m_pToken->name, "male_zh");
    EXPECT_EQ(Failures(), 0);
}

TEST_F(VoiceTest, AMissingVoiceIsReportedOnceAndTheVoiceStillSpeaks) {
    ScriptedSpeechEngine englishOnly({engine_.Voices()[2]});
    CVoice chinese(0, SpeechServices{&englishOnly, &messages_});
    EXPECT_EQ(Failures(), 1);
    EXPECT_FALSE(chinese.m_pToken);
    // With the engine's default voice.
    EXPECT_EQ(chinese.SpeakAnsi("\xC4\xE3\xBA\xC3"), SpeakResult::kOk);
}

TEST_F(VoiceTest, WithoutEngineNothingSpeaksAndPurgeKeepsTheCurrentEvent) {
    CVoice voice(1, SpeechServices{nullptr, &messages_});
    EXPECT_EQ(Failures(), 1);
    EXPECT_EQ(voice.Speak(u"Hello"), SpeakResult::kNoEngine);
    const auto other = std::make_shared<Waitable>();
    g_hCurrentSpeakDone = other;
    voice.Purge();
    EXPECT_EQ(voice.m_bStopRequested, 1);
    EXPECT_EQ(g_hCurrentSpeakDone, other);
}

TEST_F(VoiceTest, SpeakingRecordsTheVoiceCompletionEvent) {
    CVoice voice(1, Services());
    EXPECT_EQ(voice.Speak(u"Hello"), SpeakResult::kOk);
    EXPECT_EQ(g_hCurrentSpeakDone, voice.m_pVoice->SpeakCompleteEvent());
    g_hCurrentSpeakDone = nullptr;
    // CP936 text reaches the engine as UTF-8, and is waited for like any utterance.
    EXPECT_EQ(voice.SpeakAnsi("[a] \xC4\xE3\xBA\xC3"), SpeakResult::kOk);
    EXPECT_EQ(g_hCurrentSpeakDone, voice.m_pVoice->SpeakCompleteEvent());
    EXPECT_EQ(voice.SpeakAnsi(""), SpeakResult::kNoEngine);
    EXPECT_EQ(Engine(voice).spoken, (std::vector<std::string>{"Hello", "[a] 你好"}));
}

// Utterances of at most kMaxUtteranceBytes, the next once the one before has played; meanwhile
// the current event stays unsignalled, and a stop ends the text.
TEST_F(VoiceTest, ALongTextIsSpokenOneUtteranceAfterTheOtherAndABusyOne) {
    CVoice voice(1, Services());
    ScriptedVoice& engine = Engine(voice);
    std::u16string text;
    for (int i = 0; i < 10; ++i) {
        text += u"Good morning, Tom. ";
    }
    std::size_t queuedAtTheEnd = 0;
    bool busy = false;
    QTimer::singleShot(30, [&] {
        queuedAtTheEnd = engine.spoken.size();
        engine.Finish();
        busy = WaitFor(g_hCurrentSpeakDone, 0) == WaitResult::kTimeout;
    });
    EXPECT_EQ(voice.Speak(text), SpeakResult::kOk);
    EXPECT_EQ(queuedAtTheEnd, 1u);
    EXPECT_TRUE(busy);
    ASSERT_EQ(engine.spoken.size(), 2u);
    EXPECT_LE(engine.spoken[0].size(), kMaxUtteranceBytes);
    EXPECT_EQ(g_hCurrentSpeakDone, engine.SpeakCompleteEvent());

    QTimer::singleShot(30, [&] { voice.Purge(); });
    voice.Speak(text);
    EXPECT_EQ(engine.spoken.size(), 3u);
    EXPECT_EQ(g_hCurrentSpeakDone, nullptr);
}

TEST_F(VoiceTest, AWordAfterAPurgePurgesAgainUntilTheNextSpeak) {
    CVoice voice(1, Services());
    voice.m_pPictureCtrl = &picture_;
    voice.m_hVisemes[0] = QPixmap(4, 4);
    voice.m_hVisemes[6] = QPixmap(4, 4);
    ScriptedVoice& engine = Engine(voice);
    voice.Speak(u"Hello there");
    voice.Purge();
    EXPECT_EQ(voice.m_bStopRequested, 1);
    EXPECT_EQ(engine.purges, 1);
    EXPECT_EQ(g_hCurrentSpeakDone, nullptr);

    engine.EmitViseme(6);
    engine.EmitWord();
    voice.ProcessEvents();
    EXPECT_EQ(engine.purges, 2);
    EXPECT_TRUE(Shows(picture_, voice.m_hVisemes[0]));

    voice.Speak(u"Again");
    EXPECT_EQ(voice.m_bStopRequested, 0);
    engine.EmitWord();
    voice.ProcessEvents();
    EXPECT_EQ(engine.purges, 2);
}

TEST_F(VoiceTest, MouthShapesWithoutAPictureShowTheClosedMouthOrNothing) {
    CVoice voice(1, Services());
    voice.m_pPictureCtrl = &picture_;
    voice.m_hVisemes[0] = QPixmap(4, 4);
    voice.m_hVisemes[5] = QPixmap(5, 5);
    ScriptedVoice& engine = Engine(voice);
    const auto showing = [&](int shape) {
        engine.EmitViseme(shape);
        voice.ProcessEvents();
    };
    showing(5);
    EXPECT_TRUE(Shows(picture_, voice.m_hVisemes[5]));
    showing(22);
    EXPECT_TRUE(Shows(picture_, voice.m_hVisemes[0]));
    showing(5);
    showing(7);
    EXPECT_TRUE(Shows(picture_, voice.m_hVisemes[0]));
    showing(5);
    engine.Finish();
    voice.ProcessEvents();
    EXPECT_TRUE(Shows(picture_, voice.m_hVisemes[0]));

    voice.m_hVisemes[0] = QPixmap();
    showing(7);
    EXPECT_TRUE(picture_.pixmap().isNull());
}

TEST_F(VoiceTest, TheChineseVoiceEmptiesThePicture) {
    CRole role(Services());
    picture_.setPixmap(QPixmap(4, 4));
    role.AttachNotify(nullptr, &picture_);
    ScriptedVoice& chinese = Engine(*role.m_pChineseVoice);
    chinese.EmitViseme(3);
    role.PumpVoiceEvents();
    EXPECT_TRUE(picture_.pixmap().isNull());
    picture_.setPixmap(QPixmap(4, 4));
    chinese.Finish();
    role.PumpVoiceEvents();
    EXPECT_TRUE(picture_.pixmap().isNull());
}

// Counts the voice notifications that reach a window.
class NotifiedWindow final : public QObject {
  public:
    int notifications = 0;

  protected:
    void customEvent(QEvent* event) override {
        notifications += event->type() == kVoiceNotificationEvent ? 1 : 0;
    }
};

TEST_F(VoiceTest, ARoleNotifiesItsOwnerAndStopsBothVoices) {
    CRole role(Services());
    NotifiedWindow owner;
    role.AttachNotify(&owner, &picture_);
    ScriptedVoice& english = Engine(*role.m_pEnglishVoice);
    ScriptedVoice& chinese = Engine(*role.m_pChineseVoice);
    english.EmitViseme(2);
    QCoreApplication::sendPostedEvents(&owner);
    EXPECT_EQ(owner.notifications, 1);
    // Without a course, the built-in pictures stand in.
    role.PumpVoiceEvents();
    EXPECT_TRUE(Shows(picture_, role.m_pEnglishVoice->m_hVisemes[2]));

    role.SetRate(5);
    EXPECT_EQ(english.Rate(), 5);
    EXPECT_EQ(chinese.Rate(), 5);
    role.Stop();
    EXPECT_EQ(role.m_bStopped, 1);
    EXPECT_EQ(english.purges, 1);
    EXPECT_EQ(chinese.purges, 1);
}

// A course folder with mouth pictures and phonetic sounds, current while the test runs.
class CourseTablesTest : public VoiceTest {
  protected:
    CourseTablesTest() : course_("speech-tables") {}
    void SetUp() override {
        VoiceTest::SetUp();
        course_.Enter();
        SetCourseFolder(course_.Path().string());
    }
    void TearDown() override {
        SetCourseFolder("");
        VoiceTest::TearDown();
    }

    ScratchDirectory course_;
};

TEST_F(CourseTablesTest, AClosedMouthAloneFillsSlotZeroAndKeepsTheBuiltInsOut) {
    course_.Write("Viseme/viseme.idx", "22 = rest.bmp\r\n");
    course_.Write("Viseme/rest.bmp", Bitmap(Qt::red));
    CVoice voice(1, Services());
    voice.LoadVisemeTable();
    voice.LoadDefaultVisemes();
    EXPECT_FALSE(voice.m_hVisemes[0].isNull());
    for (int shape = 1; shape < kMouthShapeCount; ++shape) {
        EXPECT_TRUE(voice.m_hVisemes[shape].isNull()) << shape;
    }
}

TEST_F(CourseTablesTest, WhenNoLinePicturesAnythingTheBuiltInsStandIn) {
    ScratchDirectory elsewhere("outside-course");
    elsewhere.Write("far.bmp", Bitmap(Qt::blue));
    course_.Write("Viseme/viseme.idx",
                  "SP_VISEME_0=a.bmp\n23=a.bmp\nword=a.bmp\n5=missing.bmp\n6=not-a-bitmap.bmp\n7=" +
                      elsewhere.Path("far.bmp").string() + "\n");
    course_.Write("Viseme/a.bmp", Bitmap(Qt::red));
    course_.Write("Viseme/not-a-bitmap.bmp", "BM, but no bitmap");
    CVoice voice(1, Services());
    voice.LoadVisemeTable();
    for (const QPixmap& picture : voice.m_hVisemes) {
        EXPECT_TRUE(picture.isNull());
    }
    voice.LoadDefaultVisemes();
    EXPECT_EQ(voice.m_hVisemes[0].toImage(), QPixmap(":/bitmaps/136.bmp").toImage());
    EXPECT_EQ(voice.m_hVisemes[11].toImage(), QPixmap(":/bitmaps/142.bmp").toImage());
    EXPECT_EQ(voice.m_hVisemes[21].toImage(), QPixmap(":/bitmaps/139.bmp").toImage());
}

TEST_F(CourseTablesTest, AMouthPictureOfMoreThanItsLimitIsNotDecoded) {
    // A few kilobytes that would decode to 100 MB.
    course_.Write("Viseme/viseme.idx", "5=huge.bmp\n6=a.bmp\n");
    course_.Write("Viseme/huge.bmp", BitmapDeclaring(5000, 5000, 5 << 10));
    course_.Write("Viseme/a.bmp", Bitmap(Qt::red));
    CVoice voice(1, Services());
    voice.LoadVisemeTable();
    EXPECT_TRUE(voice.m_hVisemes[5].isNull());
    EXPECT_FALSE(voice.m_hVisemes[6].isNull());
}

TEST_F(CourseTablesTest, APictureIsDecodedOnceForEveryLineAndRoleThatNamesIt) {
    std::string table;
    for (int number = 1; number <= kMouthShapeCount; ++number) {
        table += std::to_string(number) + "=a.bmp\n";
    }
    course_.Write("Viseme/viseme.idx", table);
    course_.Write("Viseme/a.bmp", Bitmap(Qt::red));
    CRole first(Services());
    CRole second(Services());
    const QPixmap& shared = first.m_pEnglishVoice->m_hVisemes[0];
    ASSERT_FALSE(shared.isNull());
    for (const CRole* role : {&first, &second}) {
        for (const QPixmap& picture : role->m_pEnglishVoice->m_hVisemes) {
            EXPECT_EQ(picture.cacheKey(), shared.cacheKey());
        }
    }
    // The main window's rest picture too.
    ScopedCurrentDirectory folder(course_.Path("Viseme").string());
    EXPECT_EQ(LoadCourseBitmap("a.bmp").cacheKey(), shared.cacheKey());
}

TEST_F(CourseTablesTest, TablesAreReadUpToTheirLineLimit) {
    std::string filler;
    for (std::size_t line = 0; line < kMaxTableLines; ++line) {
        filler += "[a]=a.wav\n";
    }
    course_.Write("Viseme/viseme.idx", filler + "5=a.bmp\n");
    course_.Write("Viseme/a.bmp", Bitmap(Qt::red));
    course_.Write("phonetic/phonetic.idx", filler + "[late]=a.wav\n");
    CVoice voice(1, Services());
    voice.LoadVisemeTable();
    voice.LoadPhoneticTable();
    EXPECT_TRUE(voice.m_hVisemes[5].isNull());
    EXPECT_EQ(voice.m_aPhonetic.size(), kMaxTableLines);
}

TEST_F(CourseTablesTest, PhoneticPiecesPlayTheirSoundWithTheirPicture) {
    course_.Write("phonetic/phonetic.idx",
                  "[a] = a.wav @ 3\n[e]=e.wav\n[m]=missing.wav@4\nno bracket=x.wav\nx[b]=b.wav\n"
                  "[c=c.wav\n");
    course_.Write("phonetic/a.wav", "sound");
    course_.Write("phonetic/e.wav", "sound");
    CVoice voice(1, Services());
    voice.LoadPhoneticTable();
    EXPECT_EQ(voice.m_aPhonetic.size(), 3u);
    voice.m_pPictureCtrl = &picture_;
    for (int shape = 0; shape < kMouthShapeCount; ++shape) {
        voice.m_hVisemes[shape] = QPixmap(shape + 1, 1);
    }
    ScriptedVoice& engine = Engine(voice);

    voice.SpeakPhonetic("[a]");
    EXPECT_EQ(engine.files, std::vector<std::string>{"a.wav"});
    EXPECT_TRUE(Shows(picture_, voice.m_hVisemes[3]));
    EXPECT_EQ(g_hCurrentSpeakDone, engine.SpeakCompleteEvent());

    voice.SpeakPhonetic("[e]");
    EXPECT_TRUE(Shows(picture_, voice.m_hVisemes[0]));

    // Keys match byte for byte; what does not match is read as text.
    voice.SpeakPhonetic("[A]");
    voice.SpeakPhonetic(" [a]");
    EXPECT_EQ(engine.spoken, (std::vector<std::string>{"[A]", " [a]"}));
    EXPECT_EQ(engine.files.size(), 2u);
    engine.Finish();

    // A sound that is not there is silence that ends at once.
    voice.SpeakPhonetic("[m]");
    EXPECT_EQ(engine.files.size(), 2u);
    EXPECT_EQ(WaitFor(g_hCurrentSpeakDone, 0), WaitResult::kSignalled);
}

TEST_F(CourseTablesTest, APhoneticSoundIsWaitedForWhileEventsRunAndAStopEndsTheWait) {
    course_.Write("phonetic/phonetic.idx", "[a]=a.wav\n");
    course_.Write("phonetic/a.wav", "sound");
    CVoice voice(1, Services());
    voice.LoadPhoneticTable();
    ScriptedVoice& engine = Engine(voice);
    engine.finishFilesAtOnce = false;

    bool finished = false;
    QTimer::singleShot(30, [&] {
        finished = true;
        engine.Finish();
    });
    voice.SpeakPhonetic("[a]");
    EXPECT_TRUE(finished);

    QTimer::singleShot(30, [&] { voice.Purge(); });
    voice.SpeakPhonetic("[a]");
    EXPECT_EQ(engine.purges, 1);
}

}  // namespace
