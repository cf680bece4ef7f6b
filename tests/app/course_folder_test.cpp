#include "app/course_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/scratch_directory.h"

namespace {

namespace fs = std::filesystem;

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

TEST(CourseFolderTest, AFolderThatCannotBeWrittenIsRefused) {
    // Even root cannot create a file in /proc; a plain file is no folder.
    EXPECT_TRUE(PrepareCourseFolder({"/proc/self", false}, ""));
    ScratchDirectory root("plain");
    root.Write("file", "x");
    EXPECT_EQ(PrepareCourseFolder({(root.Path() / "file").string(), false}, ""),
              std::errc::not_a_directory);
}

}  // namespace
