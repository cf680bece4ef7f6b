#include "practice/practice_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_directory.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::int16_t> kSamples(1600, 1000);

std::string Store(const fs::path& folder, const auto& work) {
    testing::internal::CaptureStderr();
    {
        PracticeStore store(folder.string());
        work(store);
    }
    return testing::internal::GetCapturedStderr();
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace

TEST(PracticeStore, KeepsTheBestScoresOverARestartAndSumsUpALesson) {
    const ScratchDirectory scratch("practice");
    const fs::path folder = scratch.Path("data/quorvan/practice");
    Store(folder, [](PracticeStore& store) {
        store.AddTry("course/lesson1.dat", 3, 70, kSamples, 16000);
        store.AddTry("course/lesson1.dat", 3, 40, kSamples, 16000);
        store.AddTry("course/lesson1.dat", 5, 91, kSamples, 16000);
        // A lesson name may hold anything, line ends too.
        store.AddTry("evil\n\t%name", 1, 10, kSamples, 16000);
    });
    PracticeStore store(folder.string());
    EXPECT_TRUE(store.Persistent());
    EXPECT_EQ(store.BestScore("course/lesson1.dat", 3), 70);
    EXPECT_EQ(store.BestScore("course/lesson1.dat", 4), std::nullopt);
    EXPECT_EQ(store.BestScore("evil\n\t%name", 1), 10);
    const LessonProgress progress = store.Progress("course/lesson1.dat");
    EXPECT_EQ(progress.practisedLines, 2);
    EXPECT_EQ(progress.averageBest, 81);
}

TEST(PracticeStore, KeepsTheLastThreeRecordingsOfALineOrNoneWhenToldTo) {
    const ScratchDirectory scratch("practice");
    PracticeStore store(scratch.Path().string());
    std::vector<std::string> kept;
    for (int i = 0; i < 5; ++i) {
        kept.push_back(store.AddTry("lesson", 2, 50, kSamples, 16000));
    }
    store.AddTry("lesson", 7, 50, kSamples, 16000);
    const std::vector<std::string> recordings = store.Recordings("lesson", 2);
    EXPECT_EQ(recordings, std::vector<std::string>(kept.begin() + 2, kept.end()));
    EXPECT_EQ(scratch.Names().size(), 3U + 1U + 1U);  // and progress.txt
    EXPECT_EQ(fs::file_size(recordings.back()), 44U + 2 * kSamples.size());

    store.SetKeepRecordings(false);
    EXPECT_EQ(store.AddTry("lesson", 2, 60, kSamples, 16000), "");
    EXPECT_TRUE(store.Recordings("lesson", 2).empty());
    EXPECT_EQ(scratch.Names(), std::vector<std::string>{"progress.txt"});
    EXPECT_EQ(store.BestScore("lesson", 2), 60);
}

TEST(PracticeStore, StartsEmptyFromADamagedFileAndSaysSo) {
    const ScratchDirectory scratch("practice");
    for (const std::string& damaged :
         {std::string("quorvan-practice 1\nlesson\t1\t999\t1\n"), std::string("\xFF\x00garbage", 9),
          std::string("quorvan-practice 1\nlesson\t1\t50")}) {
        scratch.Write("progress.txt", damaged);
        const std::string errors = Store(scratch.Path(), [](PracticeStore& store) {
            EXPECT_EQ(store.Progress("lesson").practisedLines, 0);
            store.AddTry("lesson", 2, 60, kSamples, 16000);
        });
        EXPECT_EQ(Count(errors, "is damaged"), 1U) << errors;
        EXPECT_EQ(PracticeStore(scratch.Path().string()).BestScore("lesson", 2), 60);
    }
}

TEST(PracticeStore, KeepsScoresInMemoryWhenTheFolderLinksOutOrCannotBeWritten) {
    const ScratchDirectory scratch("practice");
    fs::create_directory(scratch.Path("elsewhere"));
    fs::create_directory_symlink(scratch.Path("elsewhere"), scratch.Path("link"));
    for (const fs::path& folder : {scratch.Path("link"), fs::path("/proc/self")}) {
        const std::string errors = Store(folder, [](PracticeStore& store) {
            store.AddTry("lesson", 1, 30, kSamples, 16000);
            store.AddTry("lesson", 1, 80, kSamples, 16000);
            EXPECT_FALSE(store.Persistent());
            EXPECT_EQ(store.BestScore("lesson", 1), 80);
            EXPECT_TRUE(store.Recordings("lesson", 1).empty());
        });
        EXPECT_EQ(Count(errors, "scores are kept only until the tutor closes"), 1U) << errors;
    }
    EXPECT_TRUE(scratch.Names("elsewhere").empty());
}
