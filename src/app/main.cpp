#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/course_folder.h"
#include "app/display_platform.h"
#include "app/qt_platform_runtime.h"
#include "app/tutor_app.h"
#include "platform/files/files.h"
#include "platform/log/log.h"
#include "platform/messagebox/qt_message_box.h"
#include "speech/engines/speech_log.h"

namespace {

constexpr const char* kUsage =
    "usage: quorvan [COURSE_DIR] [--speech-log DIR]\n"
    "       quorvan --help | --version\n";
constexpr const char* kHelp =
    "Quorvan, a tutor of spoken English: a character reads the lessons of a course aloud.\n"
    "\n"
    "The course is COURSE_DIR; without it, the current directory when it holds a course\n"
    "(cntindex.idx); else the learner's own course, $XDG_DATA_HOME/quorvan/course (by default\n"
    "~/.local/share/quorvan/course), made from the sample course on the first start and given\n"
    "back what it lacks of it when its index is missing. The tutor keeps the settings\n"
    "(quorvan.set) and the opened lesson in the course folder, so the folder must be writable.\n"
    "\n"
    "  --speech-log DIR  write every utterance to DIR: its sound and a line of speech.jsonl\n"
    "  --help            show this help\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 normally, 1 when another tutor has the course folder open, 2 for a wrong\n"
    "command line or a course folder that cannot be used.\n";

struct Options {
    std::optional<std::string> course;
    std::string speechLog;
};

// False, with the message written, when the program is to end with `status`.
bool ParseOptions(int argc, char** argv, Options& options, int& status) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            status = 0;
            return false;
        }
        if (arg == "--version") {
            std::printf("quorvan %s\n", QUORVAN_VERSION);
            status = 0;
            return false;
        }
        if (arg == "--speech-log" && i + 1 < argc) {
            options.speechLog = argv[++i];
        } else if (arg.starts_with("-") || options.course) {
            LogLine(std::string(arg.starts_with("-") ? "unknown option"
                                                     : "one course folder only, not") +
                    " '" + std::string(arg) + "'");
            std::fputs(kUsage, stderr);
            status = 2;
            return false;
        } else {
            options.course = arg;
        }
    }
    return true;
}

// Says why the course folder cannot be used: on stderr, and in a message box when there is a
// screen to show one on (a box on the offscreen platform would wait for a click that never comes).
void RefuseCourseFolder(int& argc, char** argv, const std::string& folder, std::error_code error) {
    const std::string message = "cannot use the course folder '" + folder +
                                "': " + error.message() +
                                " (the tutor keeps its settings and the opened lesson there)";
    LogLine(message);
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool offscreen = platform != nullptr && (std::strcmp(platform, "offscreen") == 0 ||
                                                   std::strcmp(platform, "minimal") == 0);
    if (offscreen ||
        (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)) {
        return;
    }
    if (QApplication::instance() != nullptr) {
        QtMessageBox().Show(nullptr, QStringLiteral("Quorvan"), QString::fromStdString(message),
                            MessageIcon::kError);
        return;
    }
    QApplication application(argc, argv);
    QtMessageBox().Show(nullptr, QStringLiteral("Quorvan"), QString::fromStdString(message),
                        MessageIcon::kError);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (int status = 0; !ParseOptions(argc, argv, options, status)) {
        return status;
    }
    // Before any application object, which picks the platform once.
    if (const std::optional<std::string> platform =
            ChooseQtPlatform(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"))) {
        setenv("QT_QPA_PLATFORM", platform->c_str(), 1);
    }
    const char* home = std::getenv("HOME");
    const CourseFolderChoice choice =
        ChooseCourseFolder(options.course, CurrentDirectory(), std::getenv("XDG_DATA_HOME"), home);
    if (options.course && !std::filesystem::is_directory(choice.folder)) {
        LogFileFailure("cannot open the course folder", "'" + *options.course + "'",
                       std::make_error_code(std::errc::no_such_file_or_directory));
        return 2;
    }

    // Checked before any window, so that a learner without a display hears of a refusal too.
    if (const std::error_code error = PrepareCourseFolder(choice, DataDirectory() + "/course")) {
        RefuseCourseFolder(argc, argv, choice.folder, error);
        return 2;
    }

    // The page engine reports its set-up on every start; the learner's terminal needs none of it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvan"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVAN_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvan.svg")));

    // Opened where the program was started, before it enters the course.
    std::unique_ptr<SpeechLog> speechLog;
    if (!options.speechLog.empty()) {
        std::error_code error;
        speechLog = SpeechLog::Open(options.speechLog, error);
        if (!speechLog) {
            LogFileFailure("cannot write the speech log in", options.speechLog, error);
            return 1;
        }
    }
    const ScopedCurrentDirectory course(choice.folder);
    if (!course.Changed()) {
        RefuseCourseFolder(argc, argv, choice.folder,
                           std::make_error_code(std::errc::permission_denied));
        return 2;
    }
    QtPlatformRuntime runtime(speechLog.get());
    CTutorApp app(runtime);
    SetCourseFolder(CurrentDirectory());
    app.InitInstance();
    return app.ExitCode();
}
