#include <QApplication>
#include <QIcon>

#include "app/qt_platform_runtime.h"
#include "app/tutor_app.h"

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvan"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvan.svg")));
    QtPlatformRuntime runtime;
    CTutorApp app(runtime);
    app.InitInstance();
    return 0;
}
