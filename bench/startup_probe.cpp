// Starts the tutor as a learner would and prints the wall-clock time (seconds since the epoch)
// at which the lesson view has handled the cover page's completion, then quits. A driver
// compares it with the time it started the process.
#include <QApplication>
#include <chrono>
#include <cstdio>

#include "app/qt_platform_runtime.h"
#include "app/tutor_dlg.h"

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QtPlatformRuntime runtime;
    if (!runtime.Start()) {
        return 1;
    }
    int status = 1;
    {
        CTutorDlg dlg(runtime.Services());
        QObject::connect(&dlg.m_view, &HtmlDialog::DocumentCompleted, &application, [&] {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            std::printf("%.6f\n", std::chrono::duration<double>(now).count());
            std::fflush(stdout);
            status = 0;
            QApplication::quit();
        });
        dlg.Create();
        QApplication::exec();
    }
    runtime.Stop();
    return status;
}
