#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <cstdio>
#include <memory>

#include "app/qt_platform_runtime.h"
#include "app/tutor_app.h"
#include "platform/files/files.h"
#include "speech/engines/speech_log.h"

namespace {

// The value after `option` on the command line; empty when the option is not there.
QString OptionValue(const QStringList& arguments, const QString& option) {
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
}

}  // namespace

int main(int argc, char** argv) {
    // The page engine reports its set-up on every start; the learner's terminal needs none of it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvan"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvan.svg")));
    // --speech-log DIR writes every utterance to DIR (sound and a JSON line), for tests and
    // course authors.
    const QStringList arguments = QCoreApplication::arguments();
    std::unique_ptr<SpeechLog> speechLog;
    if (const QString folder = OptionValue(arguments, QStringLiteral("--speech-log"));
        !folder.isEmpty()) {
        std::error_code error;
        speechLog = SpeechLog::Open(folder.toStdString(), error);
        if (!speechLog) {
            std::fprintf(stderr, "quorvan: cannot write the speech log in %s: %s\n",
                         qPrintable(folder), error.message().c_str());
            return 1;
        }
    }
    QtPlatformRuntime runtime(speechLog.get());
    CTutorApp app(runtime);
    SetCourseFolder(CurrentDirectory());
    app.InitInstance();
    return app.ExitCode();
}
