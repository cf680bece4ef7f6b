// Lessons of the learner's own text, made and removed in a real course folder.

#include <sys/resource.h>

#include <gtest/gtest.h>
#include <csignal>
#include <filesystem>

#include "support/lesson_fixture.h"
#include "support/scratch_directory.h"

namespace {

class OwnLessonsTest : public LessonFixture {
  protected:
    void SetUp() override {
        AddLesson("第一课 Greetings", "lesson1.dat", "#1A@1#\n#1\nHello.\n");
        Start();
    }

    std::string Index() const { return course_.Read("cntindex.idx"); }
};

TEST_F(OwnLessonsTest, ALessonIsAddedOpenedAndRemovedLeavingTheCourseAsItWas) {
    const std::string before = Index();
    ASSERT_EQ(View().AddOwnLesson("My text", "Hi there. How are you?\n你好。你好吗？\n\nBye."), "");
    EXPECT_EQ(Index(), before + "My text=own0001.dat\r\n");
    ASSERT_TRUE(WaitForDocument(&View()));
    EXPECT_EQ(View().m_nPage, 1) << "the contents page shows the new lesson at once";

    Click("file", "My text");
    ASSERT_TRUE(WaitForDocument(&View()));
    EXPECT_EQ(LineText(1), "Hi there. 你好。");
    EXPECT_EQ(LineText(2), "How are you? 你好吗？");
    EXPECT_EQ(View().FindLineElement(3), 0) << "the last paragraph is a section of its own";

    EXPECT_EQ(View().AddOwnLesson("My text", "Again."), "已经有一课叫这个标题了，请换一个。");

    // Only the learner's lessons go, and only once the learner says yes.
    View().RemoveOwnLesson(0);
    platform_.MessageBox().SetAnswer(false);
    View().RemoveOwnLesson(1);
    EXPECT_EQ(Index(), before + "My text=own0001.dat\r\n");
    platform_.MessageBox().SetAnswer(true);
    View().RemoveOwnLesson(1);
    EXPECT_EQ(Index(), before);
    EXPECT_FALSE(std::filesystem::exists(course_.Path("own0001.dat")));
    EXPECT_EQ(View().m_lessonNames.size(), 1u);
    EXPECT_EQ(platform_.MessageBox().Messages().size(), 2u) << "one question per removal asked";
}

TEST_F(OwnLessonsTest, AnIndexThatCannotBeWrittenStaysAsItWasWithNoLessonFileLeft) {
    // A long index and a file size limit between the lesson's size and the index's: the lesson
    // file is written, the index is not.
    for (int i = 0; i < 2000; ++i) {
        AddLesson("Lesson " + std::to_string(i), "l" + std::to_string(i) + ".dat", "#1A@1#\n#1\n");
    }
    const std::string before = Index();
    ASSERT_GT(before.size(), 30000u);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = 20000;
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string reason = View().AddOwnLesson("Mine", "Hello.");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);

    EXPECT_TRUE(reason.starts_with("无法写入课程文件夹")) << reason;
    EXPECT_EQ(Index(), before);
    EXPECT_FALSE(std::filesystem::exists(course_.Path("own0001.dat")));
    EXPECT_EQ(View().m_lessonNames.size(), 1u) << "the view lists what the index holds";
}

}  // namespace
