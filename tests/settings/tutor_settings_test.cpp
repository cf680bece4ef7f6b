#include "settings/tutor_settings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <vector>

#include "support/little_endian.h"
#include "support/scratch_directory.h"

namespace {

namespace fs = std::filesystem;

// The nine numbers 11..19.
std::string NineNumbers() {
    std::string out;
    for (std::uint32_t v = 11; v <= 19; ++v) {
        out += Le32(v);
    }
    return out;
}

std::string Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
    return Le32(static_cast<std::uint32_t>(l)) + Le32(static_cast<std::uint32_t>(t)) +
           Le32(static_cast<std::uint32_t>(r)) + Le32(static_cast<std::uint32_t>(b));
}

// A record whose every field differs from the initial values, so that a field the file does not
// supply shows as unchanged.
TutorSettings Preset() {
    TutorSettings s;
    s.nSpeed = -1;
    s.nPauseSeconds = -1;
    s.nRepeatCount = -1;
    s.bShowPhonetic = -1;
    s.bShowChinese = -1;
    s.bShowBalloon = -1;
    s.bShowMouth = -1;
    s.bShowChineseBalloon = -1;
    s.bSpeakChinese = -1;
    s.strCharacter1 = "old1.acs";
    s.strCharacter2 = "old2.acs";
    s.rcWindow = {7, 8, 9, 10};
    s.reservedTail = 99;
    return s;
}

TutorSettings Parsed(std::string_view bytes, TutorSettings start = Preset()) {
    ParseSettings(start, bytes);
    return start;
}

std::vector<std::int32_t> Numbers(const TutorSettings& s) {
    return {s.nSpeed,       s.nPauseSeconds, s.nRepeatCount,        s.bShowPhonetic, s.bShowChinese,
            s.bShowBalloon, s.bShowMouth,    s.bShowChineseBalloon, s.bSpeakChinese};
}

const std::vector<std::int32_t> kElevenToNineteen{11, 12, 13, 14, 15, 16, 17, 18, 19};

TEST(SettingsFormatTest, InitialRecordIsTheDocumentedEightyThreeBytes) {
    const TutorSettings s;
    EXPECT_EQ(Numbers(s), (std::vector<std::int32_t>{2, 2, 2, 1, 1, 1, 0, 1, 1}));
    const std::string expected = Le32(2) + Le32(2) + Le32(2) + Le32(1) + Le32(1) + Le32(1) +
                                 Le32(0) + Le32(1) + Le32(1) + Le32(10) + "merlin.acs" + Le32(9) +
                                 "Genie.acs" + Rect(0, 0, 0, 0) + Le32(4);
    const std::string bytes = SerializeSettings(s);
    EXPECT_EQ(bytes.size(), 83u);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(Parsed(bytes), s);
}

TEST(SettingsFormatTest, RoundTripKeepsOddValuesByteForByte) {
    TutorSettings s;
    s.nSpeed = -7;
    s.nPauseSeconds = INT32_MIN;
    s.nRepeatCount = INT32_MAX;
    s.bShowPhonetic = 0;
    s.bShowChinese = 2;
    s.bShowBalloon = 0x01020304;
    s.bShowMouth = 1;
    s.bShowChineseBalloon = -256;
    s.bSpeakChinese = 0;
    s.strCharacter1 = "\xD6\xD0\xCE\xC4.acs";  // "中文.acs"
    s.strCharacter2 = "ab";
    s.rcWindow = {-32000, -1, 1920, INT32_MAX};
    s.reservedTail = 0xDEADBEEF;

    const std::string bytes = SerializeSettings(s);
    EXPECT_EQ(bytes.size(), 64 + 8 + 2u);
    const TutorSettings back = Parsed(bytes, TutorSettings{});
    EXPECT_EQ(back, s);
    EXPECT_EQ(SerializeSettings(back), bytes);
}

TEST(SettingsFormatTest, ThirtySixByteFileSetsOnlyTheNumbers) {
    const TutorSettings s = Parsed(NineNumbers());
    EXPECT_EQ(Numbers(s), kElevenToNineteen);
    EXPECT_EQ(s.strCharacter1, "old1.acs");
    EXPECT_EQ(s.strCharacter2, "old2.acs");
    EXPECT_EQ(s.rcWindow, (WindowRect{7, 8, 9, 10}));  // skipped, not cleared
    EXPECT_EQ(s.reservedTail, 99u);

    const TutorSettings fromDefaults = Parsed(NineNumbers(), TutorSettings{});
    EXPECT_EQ(fromDefaults.strCharacter1, "merlin.acs");
    EXPECT_EQ(fromDefaults.strCharacter2, "Genie.acs");
    EXPECT_EQ(fromDefaults.rcWindow, WindowRect{});
    EXPECT_EQ(fromDefaults.reservedTail, 4u);
}

TEST(SettingsFormatTest, EmptyFileChangesNothing) {
    EXPECT_EQ(Parsed(""), Preset());
}

TEST(SettingsFormatTest, FileEndingInsideANumberKeepsThatNumberAndTheRest) {
    const TutorSettings s = Parsed(NineNumbers().substr(0, 10));
    EXPECT_EQ(Numbers(s), (std::vector<std::int32_t>{11, 12, -1, -1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(s.reservedTail, 99u);
}

// The file ending inside or right after the first length or name skips to the tail; once the
// second length has been reached, a missing rectangle becomes all zero.
TEST(SettingsFormatTest, FileEndingAmongTheNamesKeepsTheNames) {
    const std::string full = NineNumbers() + Le32(10) + "first.acs!" + Le32(6) + "second";
    for (std::size_t length : {38, 40, 45, 50, 52, 54, 57}) {
        SCOPED_TRACE(length);
        const TutorSettings s = Parsed(full.substr(0, length));
        EXPECT_EQ(Numbers(s), kElevenToNineteen);
        EXPECT_EQ(s.strCharacter1, length >= 50 ? "first.acs!" : "old1.acs");
        EXPECT_EQ(s.strCharacter2, "old2.acs");
        EXPECT_EQ(s.rcWindow, (length > 50 ? WindowRect{} : WindowRect{7, 8, 9, 10}));
        EXPECT_EQ(s.reservedTail, 99u);
    }
}

TEST(SettingsFormatTest, FileEndingAfterTheSecondNameClearsTheWindow) {
    const std::string names = NineNumbers() + Le32(5) + "a.acs" + Le32(5) + "b.acs";
    TutorSettings s = Parsed(names);
    EXPECT_EQ(s.strCharacter1, "a.acs");
    EXPECT_EQ(s.strCharacter2, "b.acs");
    EXPECT_EQ(s.rcWindow, WindowRect{});
    EXPECT_EQ(s.reservedTail, 99u);

    // Ending inside the rectangle or the tail keeps that field whole.
    s = Parsed(names + Rect(1, 2, 3, 4).substr(0, 9));
    EXPECT_EQ(s.rcWindow, (WindowRect{7, 8, 9, 10}));
    EXPECT_EQ(s.reservedTail, 99u);
    s = Parsed(names + Rect(1, 2, 3, 4) + std::string("\x05\x00", 2));
    EXPECT_EQ(s.rcWindow, (WindowRect{1, 2, 3, 4}));
    EXPECT_EQ(s.reservedTail, 99u);
}

// A length outside 2 <= N < F keeps the name and does not skip anything: the next length field
// follows directly.
TEST(SettingsFormatTest, UnusableNameLengthKeepsTheNameWithoutSkipping) {
    const std::string after = Le32(5) + "b.acs" + Rect(1, 2, 3, 4) + Le32(6);
    const std::uint32_t fileLength = static_cast<std::uint32_t>(36 + 4 + after.size());
    for (std::uint32_t n1 : {0u, 1u, fileLength, fileLength + 1, 0xFFFFFFFFu}) {
        SCOPED_TRACE(n1);
        const TutorSettings s = Parsed(NineNumbers() + Le32(n1) + after);
        EXPECT_EQ(s.strCharacter1, "old1.acs");
        EXPECT_EQ(s.strCharacter2, "b.acs");
        EXPECT_EQ(s.rcWindow, (WindowRect{1, 2, 3, 4}));
        EXPECT_EQ(s.reservedTail, 6u);
    }

    // Just below the file length the name is read; the file ends inside it, so it is kept and
    // nothing after it is left to read.
    const TutorSettings s = Parsed(NineNumbers() + Le32(fileLength - 1) + after);
    EXPECT_EQ(s.strCharacter1, "old1.acs");
    EXPECT_EQ(s.strCharacter2, "old2.acs");
    EXPECT_EQ(s.rcWindow, (WindowRect{7, 8, 9, 10}));
    EXPECT_EQ(s.reservedTail, 99u);

    // The same rules for the second name.
    const TutorSettings second =
        Parsed(NineNumbers() + Le32(2) + "ab" + Le32(1) + Rect(1, 2, 3, 4) + Le32(6));
    EXPECT_EQ(second.strCharacter1, "ab");
    EXPECT_EQ(second.strCharacter2, "old2.acs");
    EXPECT_EQ(second.rcWindow, (WindowRect{1, 2, 3, 4}));
    EXPECT_EQ(second.reservedTail, 6u);
}

TEST(SettingsFormatTest, NamesAreCutAtTheFirstZeroByte) {
    TutorSettings withZero;
    withZero.strCharacter1 = std::string("ab\0cd", 5);
    EXPECT_EQ(SerializeSettings(withZero).substr(36, 6), Le32(2) + "ab");

    const std::string bytes = NineNumbers() + Le32(7) + std::string("ab\0cd\0e", 7) + Le32(3) +
                              std::string("x\0y", 3) + Rect(1, 2, 3, 4) + Le32(6);
    const TutorSettings s = Parsed(bytes);
    EXPECT_EQ(s.strCharacter1, "ab");
    // "x" could not be written back (a stored length of 1 is ignored), so the name is kept.
    EXPECT_EQ(s.strCharacter2, "old2.acs");
    // All announced bytes were consumed.
    EXPECT_EQ(s.rcWindow, (WindowRect{1, 2, 3, 4}));
    EXPECT_EQ(s.reservedTail, 6u);
}

// The reader ignores lengths below 2 without skipping the name's bytes, so such names are stored
// with length 0 rather than misaligning the fields after them.
TEST(SettingsFormatTest, NamesShorterThanTwoBytesAreNotStored) {
    TutorSettings s = Preset();
    s.strCharacter1 = "";
    s.strCharacter2 = "x";
    const std::string bytes = SerializeSettings(s);
    EXPECT_EQ(bytes.size(), 64u);
    const TutorSettings back = Parsed(bytes, TutorSettings{});
    EXPECT_EQ(back.strCharacter1, "merlin.acs");
    EXPECT_EQ(back.strCharacter2, "Genie.acs");
    EXPECT_EQ(Numbers(back), Numbers(s));
    EXPECT_EQ(back.rcWindow, s.rcWindow);
    EXPECT_EQ(back.reservedTail, s.reservedTail);
}

class SettingsFileTest : public ::testing::Test {
  protected:
    std::string FileBytes() const { return scratch_.Read(kSettingsFileName); }
    std::vector<std::string> DirectoryEntries() const { return scratch_.Names(); }

    ScratchDirectory scratch_{"settings"};
    const fs::path& dir_ = scratch_.Path();
    const fs::path file_ = scratch_.Path(kSettingsFileName);
};

TEST_F(SettingsFileTest, MissingFileLeavesTheRecordUnchanged) {
    TutorSettings s = Preset();
    LoadSettings(s, file_);
    EXPECT_EQ(s, Preset());
}

TEST_F(SettingsFileTest, SaveThenLoadGivesBackTheRecord) {
    ASSERT_EQ(SaveSettings(TutorSettings{}, file_), std::error_code());
    EXPECT_EQ(FileBytes().size(), 83u);

    ASSERT_EQ(SaveSettings(Preset(), file_), std::error_code());  // replaces the existing file
    EXPECT_EQ(FileBytes(), SerializeSettings(Preset()));
    TutorSettings loaded;
    LoadSettings(loaded, file_);
    EXPECT_EQ(loaded, Preset());
    EXPECT_EQ(DirectoryEntries(), std::vector<std::string>{kSettingsFileName});
}

TEST_F(SettingsFileTest, FailedWriteLeavesTheOldFileIntact) {
    ASSERT_EQ(SaveSettings(TutorSettings{}, file_), std::error_code());
    const std::string before = FileBytes();

    TutorSettings big;
    big.strCharacter1 = std::string(200, 'x');

    // Writes past 40 bytes fail with EFBIG instead of raising SIGXFSZ.
    rlimit oldLimit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = oldLimit;
    small.rlim_cur = 40;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::error_code saved = SaveSettings(big, file_);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(saved, std::errc::file_too_large);
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(DirectoryEntries(), std::vector<std::string>{kSettingsFileName});
}

TEST_F(SettingsFileTest, SaveIntoAMissingDirectoryFails) {
    EXPECT_EQ(SaveSettings(TutorSettings{}, dir_ / "missing" / kSettingsFileName),
              std::errc::no_such_file_or_directory);
    EXPECT_TRUE(DirectoryEntries().empty());
}

}  // namespace
