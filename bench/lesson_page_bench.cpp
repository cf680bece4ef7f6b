// Building the lesson page of a long section: reading the lesson text, the page text, the page
// mirror's parse and the serialization handed to the renderer (the offscreen one).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/tutor_dlg.h"
#include "support/test_platform.h"

namespace {

std::string LessonText(int lines) {
    std::string text = "#1Long section@0#\n";
    for (int i = 0; i < lines; ++i) {
        text += i % 2 ? "Mary: How much is this <u>b</u>ook? [b<u>u</u>k] "
                        "\xd5\xe2\xb1\xbe\xca\xe9\xb6\xe0\xc9\xd9\xc7\xae\xa3\xbf\n"
                      : "Tom: It is ten yuan. [t<i>e</i>n]\n";
    }
    return text;
}

void BuildLongLessonPage(benchmark::State& state) {
    const TemporaryCourse course;
    course.Write("tcnt.tmp", LessonText(static_cast<int>(state.range(0))));
    course.Write("cntindex.idx", "Long=long.dat\n");
    TestPlatform platform;
    CTutorDlg dlg(platform.Services());
    dlg.Create();
    CLessonView& view = dlg.m_view;
    view.m_nPage = 2;
    view.ShowPage();
    if (!WaitForDocument(&view)) {
        state.SkipWithError("the lesson page did not load");
    }
    for (auto _ : state) {
        view.BuildLessonPage();
    }
    if (view.m_nLineCount != state.range(0)) {
        state.SkipWithError("the page has the wrong number of lines");
    }
}
BENCHMARK(BuildLongLessonPage)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
