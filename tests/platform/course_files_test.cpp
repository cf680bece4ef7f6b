// Files that a course names, as a careless or hostile course author could arrange them: links,
// FIFOs, devices, names that climb out of the folder, files far too large.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/files/files.h"
#include "support/scratch_directory.h"

namespace fs = std::filesystem;

namespace {

class CourseFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        course_.Enter();
        course_.Write("lesson.dat", "inside");
        outside_.Write("secret.dat", "outside");
    }
    void TearDown() override { SetCourseFolder(""); }

    std::error_code Read(std::string_view name, std::size_t limit = kDefaultReadLimit) {
        return ReadCourseFile(name, bytes_, limit);
    }

    ScratchDirectory course_{"course"};
    ScratchDirectory outside_{"outside"};
    std::string bytes_;
};

TEST_F(CourseFilesTest, ReadsRegularFilesAndLinksThatStayInside) {
    fs::create_directory("pictures");
    fs::create_symlink("../lesson.dat", "pictures/same.dat");
    ASSERT_EQ(Read("pictures\\same.dat"), std::error_code());
    EXPECT_EQ(bytes_, "inside");
    ASSERT_EQ(Read("\\lesson.dat"), std::error_code());
    EXPECT_EQ(bytes_, "inside");
}

TEST_F(CourseFilesTest, NamesThatLeadOutsideAreRefused) {
    const std::string secret = outside_.Path("secret.dat").string();
    fs::create_symlink(secret, "link.dat");
    const std::string climb = "..\\" + outside_.Path().filename().string() + "\\secret.dat";
    for (const std::string& name : {secret, climb, std::string("link.dat")}) {
        EXPECT_EQ(Read(name), FileRefusal::kOutsideCourse) << name;
        EXPECT_TRUE(bytes_.empty()) << name;
    }
}

TEST_F(CourseFilesTest, SpecialFilesAreRefusedWithoutBlocking) {
    ASSERT_EQ(::mkfifo("fifo.dat", 0600), 0);
    fs::create_symlink("/dev/zero", "zero.dat");
    // Each of these would hang or read forever if it were opened and read like a file.
    for (const char* name : {"fifo.dat", "zero.dat", "/dev/zero", "."}) {
        EXPECT_EQ(Read(name), FileRefusal::kNotRegular) << name;
    }
}

TEST_F(CourseFilesTest, FilesBeyondTheLimitAreRefused) {
    EXPECT_EQ(Read("lesson.dat", 5), FileRefusal::kTooLarge);
    EXPECT_TRUE(bytes_.empty());
    EXPECT_EQ(Read("lesson.dat", 6), std::error_code());
}

TEST_F(CourseFilesTest, TheCourseFolderStaysWhileTheCurrentDirectoryChanges) {
    SetCourseFolder(course_.Path().string());
    fs::create_directory("Viseme");
    course_.Write("Viseme/rest.bmp", "bmp");
    fs::current_path("Viseme");
    EXPECT_EQ(Read("..\\lesson.dat"), std::error_code());  // still inside the course
    EXPECT_EQ(Read("rest.bmp"), std::error_code());
}

TEST_F(CourseFilesTest, TheRendererMayOpenOnlyRegularFilesInsideItsFolders) {
    const std::vector<std::string> folders{course_.Path().string()};
    EXPECT_TRUE(IsRegularFileInside(course_.Path("lesson.dat").string(), folders));
    EXPECT_FALSE(IsRegularFileInside(outside_.Path("secret.dat").string(), folders));
    EXPECT_FALSE(IsRegularFileInside("/proc/self/environ", folders));
    EXPECT_FALSE(IsRegularFileInside(course_.Path().string(), folders));
}

TEST_F(CourseFilesTest, AFolderWhoseNameExtendsTheCourseNameIsOutside) {
    course_.Write("course/lesson.dat", "inside");
    course_.Write("course2/secret.dat", "outside");
    SetCourseFolder(course_.Path("course").string());
    fs::current_path("course");
    EXPECT_EQ(Read("..\\course2\\secret.dat"), FileRefusal::kOutsideCourse);
    EXPECT_FALSE(IsRegularFileInside(course_.Path("course2/secret.dat").string(),
                                     {course_.Path("course").string()}));
}

TEST_F(CourseFilesTest, ReplacingALinkNeverWritesThroughIt) {
    fs::create_symlink(outside_.Path("secret.dat"), "tcnt.tmp");
    ASSERT_EQ(ReplaceFile("tcnt.tmp", "lesson text"), std::error_code());
    EXPECT_EQ(outside_.Read("secret.dat"), "outside");
    EXPECT_FALSE(fs::is_symlink("tcnt.tmp"));
    EXPECT_EQ(course_.Read("tcnt.tmp"), "lesson text");
}

TEST_F(CourseFilesTest, OnlyOneHolderOfTheFolderLock) {
    UniqueFd first;
    ASSERT_EQ(LockFolder(".", "quorvan.lock", first), std::error_code());
    UniqueFd second;
    EXPECT_EQ(LockFolder(".", "quorvan.lock", second), std::errc::resource_unavailable_try_again);
    first = UniqueFd();
    EXPECT_EQ(LockFolder(".", "quorvan.lock", second), std::error_code());

    // A lock file that is a link is not followed, so it cannot create or lock files elsewhere.
    fs::create_symlink(outside_.Path("made.lock"), "other.lock");
    UniqueFd third;
    EXPECT_NE(LockFolder(".", "other.lock", third), std::error_code());
    EXPECT_FALSE(outside_.Exists("made.lock"));
}

}  // namespace
