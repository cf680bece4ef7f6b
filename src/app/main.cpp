#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>

#include "app/qt_platform_runtime.h"
#include "app/tutor_app.h"

int main(int argc, char** argv) {
    // The page engine reports its set-up on every start; the learner's terminal needs none of it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvan"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvan.svg")));
    QtPlatformRuntime runtime;
    CTutorApp app(runtime);
    app.InitInstance();
    return 0;
}
