// Runs the built authoring tools on files in a scratch directory.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPack = QUORVAN_PACK;
constexpr const char* kUnpack = QUORVAN_UNPACK;
constexpr const char* kBuildCourse = QUORVAN_BUILD_COURSE;
constexpr const char* kCheckCourse = QUORVAN_CHECK_COURSE;
constexpr const char* kScore = QUORVAN_SCORE;
#ifdef QUORVAN_CHECK_CHARACTER
constexpr const char* kCheckCharacter = QUORVAN_CHECK_CHARACTER;
#endif

struct Outcome {
    int status;  // exit status, or -1 when the process did not exit normally
    std::string errors;
    std::string output;
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string SampleText(std::size_t size) {
    std::mt19937 random(1);
    std::string text = "Lesson 1 \xB5\xDA\xD2\xBB\xBF\xCE\r\n";
    while (text.size() < size) {
        text += "<b>Line " + std::to_string(random() % 100) +
                "</b> How are you? \xC4\xE3\xBA\xC3\xC2\xF0\xA3\xBF [ha\xCA\x8A]\r\n";
    }
    text.resize(size);
    return text;
}

class ToolsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "quorvan-tools-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }

    void TearDown() override { fs::remove_all(dir_); }

    fs::path Path(const std::string& name) const { return dir_ / name; }

    Outcome Run(const char* tool, const std::vector<std::string>& args) const {
        const fs::path errorFile = dir_ / "stderr.txt";
        const fs::path outputFile = dir_ / "stdout.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv{const_cast<char*>(tool)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        const int spawned = ::posix_spawn(&pid, tool, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0) << tool;
        int status = 0;
        ::waitpid(pid, &status, 0);
        Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(errorFile),
                        ReadFile(outputFile)};
        fs::remove(errorFile);
        fs::remove(outputFile);
        return outcome;
    }

    // A small course in UTF-8 under src/: one lesson with one picture, and a background.
    void MakeCourse() const {
        fs::create_directories(Path("src/lessons"));
        fs::create_directories(Path("src/lesson1"));
        // "第一课" and "你好" in UTF-8; the built course holds them in CP936.
        WriteFile(Path("src/cntindex.idx"), "\xE7\xAC\xAC\xE4\xB8\x80\xE8\xAF\xBE=lesson1.dat\n");
        WriteFile(Path("src/lessons/lesson1.txt"), "#1A@0#\nHello \xE4\xBD\xA0\xE5\xA5\xBD\n");
        WriteFile(Path("src/lesson1/cat.gif"), "GIF89a picture");
        WriteFile(Path("src/bkg.gif"), "GIF89a background");
    }

    Outcome BuildCourse() const { return Run(kBuildCourse, {Path("src"), Path("out")}); }

    // The names in the scratch directory, to see that a failed write leaves no temporary file.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

TEST_F(ToolsTest, PackThenUnpackRestoresTheFile) {
    for (std::size_t size : {0, 1, 100, 300000}) {
        const std::string text = SampleText(size);
        WriteFile(Path("lesson.txt"), text);
        const Outcome packed = Run(kPack, {Path("lesson.txt"), Path("lesson.lz")});
        ASSERT_EQ(packed.status, 0) << packed.errors;
        EXPECT_EQ(packed.errors, "");
        const Outcome unpacked = Run(kUnpack, {Path("lesson.lz"), Path("tcnt.tmp")});
        ASSERT_EQ(unpacked.status, 0) << unpacked.errors;
        EXPECT_TRUE(ReadFile(Path("tcnt.tmp")) == text) << size;
        if (size > 1000) {
            EXPECT_LT(fs::file_size(Path("lesson.lz")), size / 3);
        }
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"lesson.lz", "lesson.txt", "tcnt.tmp"}));
}

TEST_F(ToolsTest, RelativePathsInTheWorkingDirectory) {
    WriteFile(Path("a.txt"), "relative");
    const fs::path saved = fs::current_path();
    fs::current_path(dir_);
    const Outcome packed = Run(kPack, {"a.txt", "a.lz"});
    const Outcome unpacked = Run(kUnpack, {"a.lz", "b.txt"});
    fs::current_path(saved);
    EXPECT_EQ(packed.status, 0) << packed.errors;
    EXPECT_EQ(unpacked.status, 0) << unpacked.errors;
    EXPECT_EQ(ReadFile(Path("b.txt")), "relative");
}

TEST_F(ToolsTest, ReplacedOutputKeepsItsPermissions) {
    WriteFile(Path("in.txt"), "new content");
    WriteFile(Path("out.lz"), "old");
    fs::permissions(Path("out.lz"), fs::perms(0640));
    ASSERT_EQ(Run(kPack, {Path("in.txt"), Path("out.lz")}).status, 0);
    EXPECT_EQ(fs::status(Path("out.lz")).permissions(), fs::perms(0640));
    ASSERT_EQ(Run(kUnpack, {Path("out.lz"), Path("back.txt")}).status, 0);
    EXPECT_EQ(ReadFile(Path("back.txt")), "new content");
}

TEST_F(ToolsTest, WrongUsageIsRefused) {
    for (const char* tool : {kPack, kUnpack}) {
        const std::string name = fs::path(tool).filename().string();
        for (const auto& args : std::vector<std::vector<std::string>>{
                 {}, {Path("x")}, {Path("x"), Path("y"), Path("z")}}) {
            const Outcome outcome = Run(tool, args);
            EXPECT_EQ(outcome.status, 2) << name;
            EXPECT_NE(outcome.errors.find("usage: " + name + " INPUT OUTPUT"), std::string::npos)
                << outcome.errors;
        }
    }
    EXPECT_TRUE(Names().empty());
}

TEST_F(ToolsTest, MissingInputIsReportedAndNothingIsWritten) {
    for (const char* tool : {kPack, kUnpack}) {
        const Outcome outcome = Run(tool, {Path("absent"), Path("out")});
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.errors.find(Path("absent").string()), std::string::npos)
            << outcome.errors;
        EXPECT_NE(outcome.errors.find("No such file"), std::string::npos) << outcome.errors;
    }
    EXPECT_TRUE(Names().empty());
}

TEST_F(ToolsTest, UnreadableInputIsReported) {
    fs::create_directory(Path("folder"));
    const Outcome outcome = Run(kPack, {Path("folder"), Path("out")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.errors.find("cannot read"), std::string::npos) << outcome.errors;
    EXPECT_FALSE(fs::exists(Path("out")));
}

// Permission bits do not stop root, so these outputs are unwritable for everyone.
TEST_F(ToolsTest, UnwritableOutputIsReportedAndLeavesNoTrace) {
    WriteFile(Path("in.txt"), "text");
    for (const fs::path& output : {Path("in.txt") / "out", fs::path("/proc/quorvan-out")}) {
        const Outcome outcome = Run(kPack, {Path("in.txt"), output});
        EXPECT_EQ(outcome.status, 1) << output;
        EXPECT_NE(outcome.errors.find("cannot write '" + output.string() + "'"), std::string::npos)
            << outcome.errors;
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"in.txt"}));
    EXPECT_EQ(ReadFile(Path("in.txt")), "text");
}

// Replacing any of these would lose what they are (a device, a FIFO another program reads, a
// link the author made, a folder's files); writing into /dev/null would report success.
TEST_F(ToolsTest, OutputThatIsNotARegularFileIsRefusedAndKept) {
    WriteFile(Path("in.txt"), "text");
    WriteFile(Path("other.txt"), "other");
    fs::create_directory(Path("folder"));
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
    fs::create_symlink(Path("other.txt"), Path("link"));
    std::vector<fs::path> outputs{Path("fifo"), Path("link"), Path("folder")};
    // A device node of our own, like /dev/null, where creating one is allowed.
    if (::mknod(Path("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
        outputs.push_back(Path("null"));
    }
    for (const fs::path& output : outputs) {
        const Outcome outcome = Run(kPack, {Path("in.txt"), output});
        EXPECT_EQ(outcome.status, 1) << output;
        EXPECT_TRUE(Has(outcome.errors, "output '" + output.string() + "' is a")) << outcome.errors;
        EXPECT_TRUE(Has(outcome.errors, ", not a regular file")) << outcome.errors;
    }
    EXPECT_TRUE(fs::is_fifo(Path("fifo")));
    EXPECT_TRUE(fs::is_symlink(Path("link")));
    EXPECT_TRUE(fs::is_directory(Path("folder")));
    EXPECT_EQ(ReadFile(Path("other.txt")), "other");
    EXPECT_TRUE(outputs.size() == 3 || fs::is_character_file(Path("null")));
}

TEST_F(ToolsTest, OutputNamingTheInputIsRefusedAndTheInputKept) {
    const std::string text = SampleText(5000);
    WriteFile(Path("in.txt"), text);
    fs::create_hard_link(Path("in.txt"), Path("hard.txt"));
    fs::create_symlink(Path("in.txt"), Path("soft.txt"));
    const std::string dirName = dir_.filename().string();
    for (const fs::path& output :
         {Path("in.txt"), dir_ / "." / "in.txt", dir_ / ".." / dirName / "in.txt", Path("hard.txt"),
          Path("soft.txt")}) {
        for (const char* tool : {kPack, kUnpack}) {
            const Outcome outcome = Run(tool, {Path("in.txt"), output});
            EXPECT_EQ(outcome.status, 1) << output;
            EXPECT_NE(outcome.errors.find("is the input file"), std::string::npos)
                << outcome.errors;
            ASSERT_TRUE(ReadFile(Path("in.txt")) == text) << output;
        }
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"hard.txt", "in.txt", "soft.txt"}));
}

TEST_F(ToolsTest, UnpackWritesExactlyTheDeclaredLength) {
    // Codes 256 'A' 'B' 257 with the length field saying 5.
    WriteFile(Path("short.lz"), std::string("\x05\0\0\0\x05\x00\x83\x08\x09\x08\x00", 11));
    ASSERT_EQ(Run(kUnpack, {Path("short.lz"), Path("out")}).status, 0);
    EXPECT_EQ(ReadFile(Path("out")), std::string("AB\0\0\0", 5));
    // Below 10 bytes a file is not decoded: as many zero bytes as it has.
    WriteFile(Path("tiny.lz"), std::string("\x02\0\0\0\x05", 5));
    ASSERT_EQ(Run(kUnpack, {Path("tiny.lz"), Path("out")}).status, 0);
    EXPECT_EQ(ReadFile(Path("out")), std::string(5, '\0'));
}

TEST_F(ToolsTest, DamagedLessonFilesExpandWithoutFailing) {
    const std::string text = SampleText(20000);
    WriteFile(Path("in.txt"), text);
    ASSERT_EQ(Run(kPack, {Path("in.txt"), Path("good.lz")}).status, 0);
    const std::string good = ReadFile(Path("good.lz"));

    WriteFile(Path("cut.lz"), good.substr(0, good.size() / 2));
    const Outcome cut = Run(kUnpack, {Path("cut.lz"), Path("cut.txt")});
    EXPECT_EQ(cut.status, 0) << cut.errors;
    const std::string cutText = ReadFile(Path("cut.txt"));
    ASSERT_EQ(cutText.size(), text.size());
    const std::size_t produced = cutText.find('\0');
    EXPECT_GT(produced, 1000u);
    EXPECT_TRUE(cutText.substr(0, produced) == text.substr(0, produced));

    // A length field of 4 GiB on 100 bytes of noise: at most 96 * 8 / 9 codes of 4096 bytes.
    std::mt19937 random(2);
    std::string noise = "\xFF\xFF\xFF\xFF";
    while (noise.size() < 100) {
        noise.push_back(static_cast<char>(random()));
    }
    WriteFile(Path("noise.lz"), noise);
    const Outcome damaged = Run(kUnpack, {Path("noise.lz"), Path("noise.txt")});
    EXPECT_EQ(damaged.status, 0) << damaged.errors;
    EXPECT_EQ(fs::file_size(Path("noise.txt")), 85u * 4096);
}

TEST_F(ToolsTest, CourseBuildConvertsTextPacksLessonsAndCopiesTheRest) {
    MakeCourse();
    const Outcome built = BuildCourse();
    ASSERT_EQ(built.status, 0) << built.errors;
    EXPECT_EQ(ReadFile(Path("out/cntindex.idx")), "\xB5\xDA\xD2\xBB\xBF\xCE=lesson1.dat\n");
    EXPECT_EQ(ReadFile(Path("out/lesson1/cat.gif")), "GIF89a picture");
    EXPECT_EQ(ReadFile(Path("out/bkg.gif")), "GIF89a background");
    EXPECT_FALSE(fs::exists(Path("out/lessons")));
    ASSERT_EQ(Run(kUnpack, {Path("out/lesson1.dat"), Path("text")}).status, 0);
    EXPECT_EQ(ReadFile(Path("text")), "#1A@0#\nHello \xC4\xE3\xBA\xC3\n");
}

TEST_F(ToolsTest, CourseBuildRefusesTextTheCodePageCannotHold) {
    fs::create_directories(Path("src/lessons"));
    WriteFile(Path("src/cntindex.idx"), "One=lesson1.dat\n");
    // U+0259 (schwa) has no CP936 form; the learner would see "?" instead.
    WriteFile(Path("src/lessons/lesson1.txt"), "#1A@0#\n[\xC9\x99]\n");
    const Outcome built = Run(kBuildCourse, {Path("src"), Path("out")});
    EXPECT_EQ(built.status, 1);
    EXPECT_NE(built.errors.find("lesson1.txt"), std::string::npos) << built.errors;
}

TEST_F(ToolsTest, CourseBuildLeavesOutputsItMustNotReplace) {
    MakeCourse();
    WriteFile(Path("file"), "file");
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
    fs::create_directory(Path("home"));
    WriteFile(Path("home/notes"), "notes");
    fs::create_symlink(Path("home"), Path("link"));
    for (const char* output : {"file", "fifo", "link"}) {
        const Outcome outcome = Run(kBuildCourse, {Path("src"), Path(output)});
        EXPECT_EQ(outcome.status, 1) << output;
        EXPECT_TRUE(Has(outcome.errors, ", not a folder")) << outcome.errors;
    }
    // A folder that is not a built course (a home folder given by mistake) is not replaced.
    const Outcome home = Run(kBuildCourse, {Path("src"), Path("home")});
    EXPECT_EQ(home.status, 1);
    EXPECT_TRUE(Has(home.errors, "holds no built course")) << home.errors;

    EXPECT_EQ(ReadFile(Path("file")), "file");
    EXPECT_TRUE(fs::is_fifo(Path("fifo")));
    EXPECT_TRUE(fs::is_symlink(Path("link")));
    EXPECT_EQ(ReadFile(Path("home/notes")), "notes");
    EXPECT_EQ(Names(), (std::vector<std::string>{"fifo", "file", "home", "link", "src"}));
}

TEST_F(ToolsTest, FailedCourseBuildLeavesNoTraceAndTheOldCourseWhole) {
    MakeCourse();
    fs::create_symlink("loop", Path("src/loop"));
    const Outcome first = BuildCourse();
    EXPECT_EQ(first.status, 1);
    EXPECT_TRUE(Has(first.errors, Path("src/loop").string())) << first.errors;
    EXPECT_EQ(Names(), (std::vector<std::string>{"src"}));

    fs::remove(Path("src/loop"));
    ASSERT_EQ(BuildCourse().status, 0);
    const std::string lesson = ReadFile(Path("out/lesson1.dat"));

    WriteFile(Path("src/lessons/lesson1.txt"), "#1B@0#\nGoodbye\n");
    fs::remove(Path("src/lesson1/cat.gif"));
    ASSERT_EQ(::mkfifo(Path("src/lesson1/pipe.gif").c_str(), 0644), 0);
    const Outcome second = BuildCourse();
    EXPECT_EQ(second.status, 1);
    EXPECT_TRUE(Has(second.errors, "pipe.gif' is neither a regular file nor a folder"))
        << second.errors;
    EXPECT_EQ(ReadFile(Path("out/lesson1.dat")), lesson);
    EXPECT_EQ(ReadFile(Path("out/lesson1/cat.gif")), "GIF89a picture");
    EXPECT_EQ(Names(), (std::vector<std::string>{"out", "src"}));

    // Once it succeeds, the output is exactly the new course: nothing stale is left behind.
    fs::remove(Path("src/lesson1/pipe.gif"));
    ASSERT_EQ(BuildCourse().status, 0);
    EXPECT_NE(ReadFile(Path("out/lesson1.dat")), lesson);
    EXPECT_FALSE(fs::exists(Path("out/lesson1/cat.gif")));
    EXPECT_EQ(Names(), (std::vector<std::string>{"out", "src"}));
}

TEST_F(ToolsTest, CourseBuildRefusesOutputAndSourceInsideEachOther) {
    MakeCourse();
    const Outcome inside = Run(kBuildCourse, {Path("src"), Path("src/lessons/../built")});
    EXPECT_EQ(inside.status, 1);
    EXPECT_TRUE(Has(inside.errors, "lies inside the source folder")) << inside.errors;
    EXPECT_FALSE(fs::exists(Path("src/built")));

    // The build replaces its output whole, which would delete the source with it.
    WriteFile(Path("cntindex.idx"), "");
    const Outcome around = Run(kBuildCourse, {Path("src"), dir_});
    EXPECT_EQ(around.status, 1);
    EXPECT_TRUE(Has(around.errors, "lies inside the output folder")) << around.errors;
    EXPECT_TRUE(fs::exists(Path("src/lessons/lesson1.txt")));
}

TEST_F(ToolsTest, CourseBuildRefusesTwoLessonsWithOneFileName) {
    MakeCourse();
    fs::create_directories(Path("src/lessons/old"));
    WriteFile(Path("src/lessons/old/lesson1.txt"), "#1Old@0#\nOld\n");
    const Outcome built = BuildCourse();
    EXPECT_EQ(built.status, 1);
    EXPECT_TRUE(Has(built.errors, "would both become 'lesson1.dat'")) << built.errors;
    EXPECT_FALSE(fs::exists(Path("out")));
}

TEST_F(ToolsTest, CourseBuildFollowsLinksOnlyInsideTheSource) {
    MakeCourse();
    fs::create_symlink("cat.gif", Path("src/lesson1/kitten.gif"));
    ASSERT_EQ(BuildCourse().status, 0);
    EXPECT_EQ(ReadFile(Path("out/lesson1/kitten.gif")), "GIF89a picture");

    WriteFile(Path("private"), "private");
    fs::create_symlink(Path("private"), Path("src/lesson1/dog.gif"));
    const Outcome built = BuildCourse();
    EXPECT_EQ(built.status, 1);
    EXPECT_TRUE(Has(built.errors, "leads outside the source folder")) << built.errors;
    EXPECT_FALSE(fs::exists(Path("out/lesson1/dog.gif")));
}

TEST_F(ToolsTest, CheckReportsAMisplacedSectionAndFixMendsOnlyTheHeader) {
    MakeCourse();
    const std::string body = "\r\nHello\r\nWorld\r\n#\r\nBye\r\n";
    WriteFile(Path("src/lessons/lesson1.txt"), "#1A@0#2B@1#" + body);
    const Outcome checked = Run(kCheckCourse, {Path("src")});
    EXPECT_EQ(checked.status, 1);
    EXPECT_TRUE(Has(checked.output, Path("src/lessons/lesson1.txt").string() +
                                        " section 2: error: starts at body line 1, but its block "
                                        "starts at 3\n"))
        << checked.output;

    const Outcome fixed = Run(kCheckCourse, {"--fix", Path("src")});
    EXPECT_EQ(fixed.status, 0) << fixed.output;
    EXPECT_TRUE(Has(fixed.output, "lesson1.txt: header rewritten\n")) << fixed.output;
    EXPECT_EQ(ReadFile(Path("src/lessons/lesson1.txt")), "#1A@0#2B@3#" + body);
    EXPECT_EQ(Run(kCheckCourse, {Path("src")}).output, "0 error(s), 0 warning(s)\n");
}

TEST_F(ToolsTest, CheckReportsCharactersTheTutorWouldGarble) {
    MakeCourse();
    // U+0259 has no CP936 form; U+4E02 is 0x81 0x40 there, and 0x40 reads as "@"; 0xFF is no
    // UTF-8 at all.
    WriteFile(Path("src/lessons/lesson1.txt"), "#1A@0#\n[\xC9\x99] \xE4\xB8\x82 \xFF\n");
    const Outcome checked = Run(kCheckCourse, {Path("src")});
    EXPECT_EQ(checked.status, 1);
    const std::string where = Path("src/lessons/lesson1.txt").string() + ":2: error: ";
    EXPECT_TRUE(Has(checked.output, where + "the text is not valid UTF-8\n")) << checked.output;
    EXPECT_TRUE(Has(checked.output, where + "'\xC9\x99' cannot be written in CP936\n"))
        << checked.output;
    EXPECT_TRUE(Has(checked.output, where + "'\xE4\xB8\x82' has the ASCII byte b'@' in CP936\n"))
        << checked.output;
}

TEST_F(ToolsTest, CheckWarnsOfUnspokenDigitsAsTheTutorSpeaksTheLine) {
    MakeCourse();
    // "王小明老师" is ten bytes in CP936: too long a name for the tutor to drop, so the "1" after
    // it is spoken; after "Tom:" it starts what is spoken and goes.
    WriteFile(Path("src/lessons/lesson1.txt"),
              "#1A@0#\n\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E\xE8\x80\x81\xE5\xB8\x88:1 Good "
              "morning\nTom:1 Good morning\n");
    const Outcome checked = Run(kCheckCourse, {Path("src")});
    EXPECT_EQ(checked.output, Path("src/lessons/lesson1.txt").string() +
                                  ":3: warning: the line starts with a digit, which is not "
                                  "spoken\n0 error(s), 1 warning(s)\n");
}

// Learners receive the built course: its index in CP936 and its lessons packed. The checker reads
// it as the tutor does and finds what it finds in the sources, under the built file's name.
TEST_F(ToolsTest, CheckReadsABuiltCourseAsTheTutorOpensIt) {
    MakeCourse();
    ASSERT_EQ(BuildCourse().status, 0);
    EXPECT_EQ(Run(kCheckCourse, {Path("out")}).output, "0 error(s), 0 warning(s)\n");

    WriteFile(Path("src/lessons/lesson1.txt"), "#1A@1#\nHello\n");
    ASSERT_EQ(BuildCourse().status, 0);
    const Outcome checked = Run(kCheckCourse, {Path("out")});
    EXPECT_EQ(checked.status, 1);
    EXPECT_TRUE(Has(checked.output, Path("out/lesson1.dat").string() +
                                        " section 1: error: starts at body line 1, but its block "
                                        "starts at 0\n"))
        << checked.output;

    const Outcome fixed = Run(kCheckCourse, {"--fix", Path("out")});
    EXPECT_EQ(fixed.status, 1);
    EXPECT_TRUE(Has(fixed.output, "this is a built course")) << fixed.output;

    // Four bytes of declared length and nothing the decoder could expand to that much.
    WriteFile(Path("out/lesson1.dat"),
              std::string("\xFF\xFF\xFF\x7F\x05\x00\x83\x08\x09\x08\x00", 11));
    EXPECT_TRUE(Has(Run(kCheckCourse, {Path("out")}).output,
                    "lesson1.dat: error: declares more text than the tutor opens"));
}

// A bracketed piece is played from the phonetic table; one the table lacks is read out letter by
// letter, which only a word list's spelling after its word may be.
TEST_F(ToolsTest, CheckWantsARecordedSoundForEveryBracketOutsideAWordList) {
    MakeCourse();
    fs::create_directories(Path("src/phonetic"));
    WriteFile(Path("src/phonetic/ii.wav"), "RIFF");
    WriteFile(Path("src/phonetic/phonetic.idx"), "[ii]=ii.wav@6\n[uu]=uu.wav@7\n");
    WriteFile(Path("src/lessons/lesson1.txt"),
              "#1A@0#\n[ii] m<u>ee</u>t\napple ['aepl] \xE8\x8B\xB9\xE6\x9E\x9C\nTom: [ou] "
              "go\n");
    const Outcome checked = Run(kCheckCourse, {Path("src")});
    const std::string lesson = Path("src/lessons/lesson1.txt").string();
    EXPECT_EQ(checked.output,
              Path("src/phonetic/phonetic.idx").string() +
                  ": error: sound 'uu.wav' of '[uu]' is missing\n" + lesson +
                  ":4: warning: phonetic '[ou]' has no recorded sound in phonetic/phonetic.idx, "
                  "so the English voice reads its letters\n1 error(s), 1 warning(s)\n");
}

// --new-words names the line where a dialogue first leans on a word no word list gave, in the
// sources and in the built course alike; without it the course passes.
TEST_F(ToolsTest, CheckNewWordsNamesTheLineThatFirstUsesAnUnlistedWord) {
    MakeCourse();
    WriteFile(Path("src/lessons/lesson1.txt"),
              "#1A@0#\nh<u>e</u>llo [huh'lou] \xE4\xBD\xA0\xE5\xA5\xBD\nTom: Hello, Lucy.\nLucy: "
              "Hello! I don't know.\n");
    EXPECT_EQ(Run(kCheckCourse, {Path("src")}).output, "0 error(s), 0 warning(s)\n");
    ASSERT_EQ(BuildCourse().status, 0);
    for (const auto& [course, lesson] :
         {std::pair{"src", "src/lessons/lesson1.txt"}, std::pair{"out", "out/lesson1.dat"}}) {
        const Outcome checked = Run(kCheckCourse, {"--new-words", Path(course)});
        const std::string where = Path(lesson).string() + ":4: warning: new word ";
        EXPECT_EQ(checked.status, 0);
        EXPECT_EQ(checked.output,
                  where + "'i' before a word list introduces it\n" + where +
                      "'do' (in \"don't\") before a word list introduces it\n" + where +
                      "'not' (in \"don't\") before a word list introduces it\n" + where +
                      "'know' before a word list introduces it\n" + "0 error(s), 4 warning(s)\n");
    }
}

// A lesson file name from the index must not lead the checker, or --fix, out of the course.
TEST_F(ToolsTest, CheckKeepsToLessonsInsideTheCourse) {
    MakeCourse();
    WriteFile(Path("src/cntindex.idx"), "One=lesson1.dat\nTwo=../../victim.dat\n");
    WriteFile(Path("victim.txt"), "#1A@5#\nkept\n");
    const Outcome fixed = Run(kCheckCourse, {Path("src"), "--fix"});
    EXPECT_EQ(fixed.status, 1);
    EXPECT_TRUE(Has(fixed.output, "file '../../victim.dat' must be a plain file name"))
        << fixed.output;
    EXPECT_EQ(ReadFile(Path("victim.txt")), "#1A@5#\nkept\n");
}

#ifdef QUORVAN_CHECK_CHARACTER
// One refused file fails the whole run, with the reader's own reason, and the files around it are
// still checked.
TEST_F(ToolsTest, CharacterCheckPassesTheShippedCharactersAndGivesTheReadersReason) {
    const fs::path owl = fs::path(QUORVAN_SHIPPED_CHARACTERS) / "merlin.acs";
    const fs::path panda = fs::path(QUORVAN_SHIPPED_CHARACTERS) / "Genie.acs";
    // Still well-formed, with every frame intact, but without one of the required animations.
    std::string damaged = ReadFile(panda);
    const std::size_t at = damaged.find("\"DoMagic2\"");
    ASSERT_NE(at, std::string::npos);
    damaged.replace(at, 10, "\"DoMagic3\"");
    WriteFile(Path("damaged.acs"), damaged);

    const Outcome outcome = Run(kCheckCharacter, {owl, Path("damaged.acs"), panda});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(Has(outcome.output, owl.string() + ": ok (Hoot ")) << outcome.output;
    EXPECT_TRUE(Has(outcome.output, panda.string() + ": ok (Bao ")) << outcome.output;
    EXPECT_TRUE(Has(outcome.errors,
                    Path("damaged.acs").string() + ": the animation \"DoMagic2\" is missing\n"))
        << outcome.errors;
}
#endif

TEST_F(ToolsTest, ScorePrintsEachWordOfTheLineAndRefusesWhatItCannotScore) {
    const std::string recording = std::string(QUORVAN_PRACTICE_DATA) + "/omitted.wav";
    const Outcome scored =
        Run(kScore, {"--text", "Tom: Good morning. How are you today? 早上好。", recording});
    EXPECT_EQ(scored.status, 0) << scored.errors;
    EXPECT_TRUE(Has(scored.output, "{\"score\": ")) << scored.output;
    EXPECT_TRUE(Has(scored.output, "{\"word\": \"Good\", \"verdict\": \"good\", \"score\": "))
        << scored.output;
    EXPECT_TRUE(Has(scored.output,
                    "{\"word\": \"you\", \"verdict\": \"missed\", \"score\": "
                    "0, \"start_ms\": null, \"end_ms\": null}"))
        << scored.output;
    EXPECT_FALSE(Has(scored.output, "Tom")) << scored.output;

    const Outcome noWords = Run(kScore, {"--text", "你好", recording});
    EXPECT_EQ(noWords.status, 1);
    EXPECT_TRUE(Has(noWords.errors, "no English words")) << noWords.errors;
    WriteFile(Path("noise.wav"), "RIFF not a sound");
    EXPECT_EQ(Run(kScore, {"--text", "Hello", Path("noise.wav")}).status, 1);
    EXPECT_EQ(Run(kScore, {recording}).status, 2);
    EXPECT_EQ(Run(kScore, {"--text", "Hello", recording, "extra"}).status, 2);
}

}  // namespace
