#include "app/course_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <vector>

#include "platform/files/files.h"
#include "support/scratch_directory.h"

namespace {

namespace fs = std::filesystem;

// Every file below `folder`, by its path inside, with its bytes.
std::map<std::string, std::string> Files(const fs::path& folder) {
    std::map<std::string, std::string> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            std::string bytes;
            ReadWholeFile(entry.path().string(), bytes);
            found[entry.path().lexically_relative(folder).string()] = std::move(bytes);
        }
    }
    return found;
}

// The files that `folder` lacks, has in excess or holds other bytes in: short to print.
std::vector<std::string> Differences(const fs::path& folder,
                                     const std::map<std::string, std::string>& expected) {
    std::map<std::string, std::string> found;
    if (fs::is_directory(folder)) {
        found = Files(folder);
    }
    std::vector<std::string> names;
    for (const auto& [name, bytes] : expected) {
        const auto there = found.find(name);
        if (there == found.end()) {
            names.push_back("missing " + name);
        } else if (there->second != bytes) {
            names.push_back("changed " + name);
        }
        found.erase(name);
    }
    for (const auto& [name, bytes] : found) {
        names.push_back("added " + name);
    }
    return names;
}

TEST(CourseFolderTest, TheGivenFolderThenACourseHereThenTheLearnersOwn) {
    ScratchDirectory here("here");
    const std::string current = here.Path().string();
    EXPECT_EQ(ChooseCourseFolder("/srv/course/../lessons", current, nullptr, "/home/li").folder,
              "/srv/lessons");
    EXPECT_FALSE(ChooseCourseFolder("c", current, nullptr, "/home/li").own);

    const CourseFolderChoice own = ChooseCourseFolder(std::nullopt, current, nullptr, "/home/li");
    EXPECT_EQ(own.folder, "/home/li/.local/share/quorvan/course");
    EXPECT_TRUE(own.own);
    EXPECT_EQ(ChooseCourseFolder(std::nullopt, current, "/data", "/home/li").folder,
              "/data/quorvan/course");
    // A relative XDG_DATA_HOME is invalid and ignored.
    EXPECT_EQ(ChooseCourseFolder(std::nullopt, current, "rel", "/home/li").folder,
              "/home/li/.local/share/quorvan/course");

    here.Write("cntindex.idx", "A=a.dat\r\n");
    EXPECT_EQ(ChooseCourseFolder(std::nullopt, current, "/data", "/home/li").folder, current);
}

TEST(CourseFolderTest, TheOwnFolderIsMadeOnceFromTheSampleAndThenKept) {
    ScratchDirectory root("data");
    root.Write("sample/cntindex.idx", "A=a.dat\r\n");
    root.Write("sample/lessons/a.dat", "lesson");
    const std::string sample = (root.Path() / "sample").string();
    const CourseFolderChoice own{(root.Path() / "home/quorvan/course").string(), true};

    ASSERT_FALSE(PrepareCourseFolder(own, sample));
    EXPECT_TRUE(fs::is_regular_file(fs::path(own.folder) / "lessons/a.dat"));
    root.Write("home/quorvan/course/quorvan.set", "mine");
    fs::remove(fs::path(own.folder) / "lessons/a.dat");
    ASSERT_FALSE(PrepareCourseFolder(own, sample));
    EXPECT_TRUE(fs::exists(fs::path(own.folder) / "quorvan.set"));
    EXPECT_FALSE(fs::exists(fs::path(own.folder) / "lessons/a.dat")) << "never copied over again";
    // Nothing of the probe stays behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(own.folder), fs::directory_iterator()), 3);

    // A sample that cannot be copied leaves no half course.
    const CourseFolderChoice other{(root.Path() / "other/course").string(), true};
    EXPECT_TRUE(PrepareCourseFolder(other, (root.Path() / "missing").string()));
    EXPECT_FALSE(fs::exists(other.folder));
    EXPECT_FALSE(fs::exists(other.folder + ".partial"));
}

TEST(CourseFolderTest, TheWriteProbeNamesNoFileThatAKilledStartWouldLeave) {
    ScratchDirectory course("probe");
    if (!UniqueFd(::open(course.Path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600))) {
        GTEST_SKIP() << "no files without a name on this file system";
    }
    const UniqueFd watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_GE(::inotify_add_watch(watch.Get(), course.Path().c_str(), IN_CREATE), 0);
    ASSERT_FALSE(PrepareCourseFolder({course.Path().string(), false}, ""));
    char events[4096];
    EXPECT_LT(::read(watch.Get(), events, sizeof events), 0) << "a file was named in the folder";
}

// A sample course, with enough files in a few folders that copies made at once overlap, and the
// learner's own folder to make from it.
class OwnCourseFolderTest : public ::testing::Test {
  protected:
    OwnCourseFolderTest() {
        root_.Write("sample/cntindex.idx", "A=lessons\\l0.dat\r\n");
        for (int n = 0; n < 40; ++n) {
            const std::string bytes(4096, static_cast<char>('a' + n % 26));
            root_.Write("sample/lessons/l" + std::to_string(n) + ".dat", bytes);
            root_.Write("sample/pictures/p" + std::to_string(n) + ".gif", bytes);
        }
    }
    // What lies beside the own folder, the folder included.
    std::vector<std::string> Beside() const { return root_.Names("home/quorvan"); }

    ScratchDirectory root_{"own"};
    const std::string sample_ = root_.Path("sample").string();
    const CourseFolderChoice own_{root_.Path("home/quorvan/course").string(), true};
};

TEST_F(OwnCourseFolderTest, FirstStartsAtOnceLeaveOneWholeCourseAndNothingElse) {
    const std::map<std::string, std::string> whole = Files(sample_);
    for (int round = 0; round < 3; ++round) {
        // Every start waits for the end of this pipe, so that all begin together.
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        std::vector<pid_t> starts;
        for (int n = 0; n < 20; ++n) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(go[1]);
                char byte;
                [[maybe_unused]] const ssize_t got = ::read(go[0], &byte, 1);
                ::_exit(PrepareCourseFolder(own_, sample_) ? 1 : 0);
            }
            starts.push_back(pid);
        }
        ::close(go[0]);
        ::close(go[1]);
        int refused = 0;
        for (const pid_t pid : starts) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            refused += WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
        }
        EXPECT_EQ(refused, 0) << "round " << round;
        EXPECT_EQ(Differences(own_.folder, whole), std::vector<std::string>()) << "round " << round;
        EXPECT_EQ(Beside(), std::vector<std::string>{"course"});
        fs::remove_all(root_.Path("home"));
    }
}

TEST_F(OwnCourseFolderTest, CopiesThatKilledStartsLeftGoButNotOneBeingMade) {
    ASSERT_FALSE(PrepareCourseFolder(own_, sample_));
    root_.Write("home/quorvan/course/quorvan.set", "mine");
    root_.Write("home/quorvan/course.partial.k1LLed/lessons/l0.dat", "half");
    root_.Write("home/quorvan/course.partial/lessons/l0.dat", "half, by an older version");
    root_.Write("home/quorvan/course.partial.Live42/lessons/l0.dat", "being copied");
    root_.Write("home/quorvan/course.partial.Notes1", "a file, which no start makes");
    root_.Write("home/quorvan/course.partial.toolong/x", "not the name of a copy");
    root_.Write("elsewhere/keep", "kept");
    fs::create_directory_symlink(root_.Path("elsewhere"),
                                 root_.Path("home/quorvan/course.partial.L1nk00"));
    // A start that is copying holds its copy's lock.
    const UniqueFd live(::open(root_.Path("home/quorvan/course.partial.Live42").c_str(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_EQ(::flock(live.Get(), LOCK_EX), 0);

    ASSERT_FALSE(PrepareCourseFolder(own_, sample_));
    EXPECT_EQ(Beside(),
              (std::vector<std::string>{"course", "course.partial.L1nk00", "course.partial.Live42",
                                        "course.partial.Notes1", "course.partial.toolong"}));
    EXPECT_EQ(root_.Read("elsewhere/keep"), "kept");
    EXPECT_EQ(root_.Read("home/quorvan/course/quorvan.set"), "mine");
}

TEST_F(OwnCourseFolderTest, ACourseWithoutItsIndexGetsWhatItLacksAndKeepsTheLearnersFiles) {
    // What an interrupted copy left, with the learner's files added since.
    root_.Write("home/quorvan/course/lessons/l0.dat", "changed by the learner");
    root_.Write("home/quorvan/course/quorvan.set", "settings");
    root_.Write("home/quorvan/course/tcnt.tmp", "opened lesson");
    root_.Write("home/quorvan/course/mine/notes.txt", "notes");
    root_.Write("elsewhere/l2.dat", "the learner's own");
    fs::create_symlink(root_.Path("elsewhere/l2.dat"),
                       root_.Path("home/quorvan/course/lessons/l2.dat"));

    ASSERT_FALSE(PrepareCourseFolder(own_, sample_));
    std::map<std::string, std::string> expected = Files(sample_);
    expected["lessons/l0.dat"] = "changed by the learner";
    expected["lessons/l2.dat"] = "the learner's own";
    expected["quorvan.set"] = "settings";
    expected["tcnt.tmp"] = "opened lesson";
    expected["mine/notes.txt"] = "notes";
    EXPECT_EQ(Differences(own_.folder, expected), std::vector<std::string>());
    EXPECT_TRUE(fs::is_symlink(root_.Path("home/quorvan/course/lessons/l2.dat")));
    EXPECT_EQ(root_.Read("elsewhere/l2.dat"), "the learner's own");
    EXPECT_EQ(Beside(), std::vector<std::string>{"course"});
}

TEST(CourseFolderTest, AFolderThatCannotBeWrittenIsRefused) {
    // Even root cannot create a file in /proc; a plain file is no folder.
    EXPECT_TRUE(PrepareCourseFolder({"/proc/self", false}, ""));
    ScratchDirectory root("plain");
    root.Write("file", "x");
    EXPECT_EQ(PrepareCourseFolder({(root.Path() / "file").string(), false}, ""),
              std::errc::not_a_directory);
}

}  // namespace
