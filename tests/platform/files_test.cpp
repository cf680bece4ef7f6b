#include "platform/files/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "support/scratch_directory.h"

namespace fs = std::filesystem;

namespace {

// Runs inside a scratch folder that holds "course/Viseme".
class CurrentDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(scratch_.Path("course/Viseme"));
        scratch_.Enter();
    }

    ScratchDirectory scratch_{"files"};
    const fs::path& root_ = scratch_.Path();
};

TEST_F(CurrentDirectoryTest, ReportsTheProcessCurrentDirectory) {
    EXPECT_EQ(CurrentDirectory(), root_.string());
    fs::current_path(root_ / "course");
    EXPECT_EQ(CurrentDirectory(), (root_ / "course").string());
}

TEST_F(CurrentDirectoryTest, ScopeChangesAndRestores) {
    {
        ScopedCurrentDirectory scope("course");
        EXPECT_TRUE(scope.Changed());
        EXPECT_EQ(CurrentDirectory(), (root_ / "course").string());
    }
    EXPECT_EQ(CurrentDirectory(), root_.string());
}

TEST_F(CurrentDirectoryTest, ScopeRestoresWhenLeftByAnException) {
    try {
        ScopedCurrentDirectory scope((root_ / "course" / "Viseme").string());
        ASSERT_TRUE(scope.Changed());
        throw std::runtime_error("table unreadable");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(CurrentDirectory(), root_.string());
}

TEST_F(CurrentDirectoryTest, FailedChangeLeavesTheDirectoryAlone) {
    fs::current_path(root_ / "course");
    {
        ScopedCurrentDirectory scope("missing");
        EXPECT_FALSE(scope.Changed());
        EXPECT_EQ(CurrentDirectory(), (root_ / "course").string());
        // Work done inside the failed scope moves elsewhere; leaving must not undo that.
        fs::current_path(root_);
    }
    EXPECT_EQ(CurrentDirectory(), root_.string());

    ScopedCurrentDirectory empty("");
    EXPECT_FALSE(empty.Changed());
    EXPECT_EQ(CurrentDirectory(), root_.string());
}

TEST_F(CurrentDirectoryTest, NestedScopesUnwindInOrder) {
    {
        ScopedCurrentDirectory outer("course");
        ASSERT_TRUE(outer.Changed());
        {
            ScopedCurrentDirectory inner(NativePath("\\Viseme\\"));
            ASSERT_TRUE(inner.Changed());
            EXPECT_EQ(CurrentDirectory(), (root_ / "course" / "Viseme").string());
        }
        EXPECT_EQ(CurrentDirectory(), (root_ / "course").string());
    }
    EXPECT_EQ(CurrentDirectory(), root_.string());
}

TEST_F(CurrentDirectoryTest, RestoresARenamedDirectory) {
    fs::current_path(root_ / "course");
    {
        ScopedCurrentDirectory scope("Viseme");
        ASSERT_TRUE(scope.Changed());
        fs::rename(root_ / "course", root_ / "moved");
    }
    EXPECT_EQ(CurrentDirectory(), (root_ / "moved").string());
}

TEST_F(CurrentDirectoryTest, DirectoryPlusBackslashNameOpensTheSubdirectory) {
    // The tables are read from "<current directory>\Viseme\".
    const std::string visemes = NativePath(CurrentDirectory() + "/course" + "\\Viseme\\");
    EXPECT_EQ(visemes, (root_ / "course" / "Viseme").string() + "/");
    ScopedCurrentDirectory scope(visemes);
    EXPECT_TRUE(scope.Changed());
}

TEST(NativePathTest, ConvertsBackslashNames) {
    EXPECT_EQ(NativePath("W\\bkg.gif"), "W/bkg.gif");
    EXPECT_EQ(NativePath("logo.wav"), "logo.wav");
    EXPECT_EQ(NativePath(""), "");
    // A leading backslash is relative to the current directory, not the file-system root.
    EXPECT_EQ(NativePath("\\Viseme\\viseme.idx"), "Viseme/viseme.idx");
    EXPECT_EQ(NativePath("\\phonetic\\"), "phonetic/");
    EXPECT_EQ(NativePath("\\"), ".");
    EXPECT_EQ(NativePath("\\\\"), ".");
}

TEST(NativePathTest, CollapsesDoubledSeparators) {
    EXPECT_EQ(NativePath("W\\\\bkg.gif"), "W/bkg.gif");
    EXPECT_EQ(NativePath("\\\\Viseme\\\\a.bmp"), "Viseme/a.bmp");
    EXPECT_EQ(NativePath("/home/a/course/\\phonetic\\\\ai.wav"), "/home/a/course/phonetic/ai.wav");
    EXPECT_EQ(NativePath("//home//a"), "/home/a");
}

TEST(ProgramDirectoriesTest, ExecutableDirectoryHoldsThisTestProgram) {
    const std::string directory = ExecutableDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_TRUE(fs::path(directory).is_absolute());
    EXPECT_TRUE(fs::is_regular_file(fs::path(directory) / "platform_os_tests"));
}

TEST(ProgramDirectoriesTest, DataDirectoryIsShareQuorvanBesideTheExecutableDirectory) {
    const fs::path executableDirectory = ExecutableDirectory();
    const fs::path expected = executableDirectory.parent_path() / "share" / "quorvan";
    EXPECT_EQ(DataDirectory(), expected.string());

    // It follows the executable, not the current directory.
    const fs::path start = fs::current_path();
    fs::current_path(fs::temp_directory_path());
    EXPECT_EQ(DataDirectory(), expected.string());
    fs::current_path(start);
}

}  // namespace
