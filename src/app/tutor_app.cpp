#include "app/tutor_app.h"

#include "app/tutor_dlg.h"
#include "platform/files/files.h"
#include "platform/log/log.h"
#include "platform/messagebox/message_box.h"
#include "settings/tutor_settings.h"
#include "view/lesson_view.h"
#include "view/platform_services.h"

bool CTutorApp::InitInstance() {
    if (!runtime_.Start()) {
        if (MessageBoxService* box = runtime_.Services().messageBox) {
            box->Show(nullptr, QStringLiteral("Error"),
                      QStringLiteral("There was an error initializing COM."), MessageIcon::kError);
        }
        return false;
    }
    // Two tutors in one folder would overwrite each other's lesson text and settings.
    UniqueFd lock;
    if (const std::error_code error = LockFolder(CurrentDirectory(), kLockFile, lock)) {
        if (error == std::errc::resource_unavailable_try_again) {
            if (MessageBoxService* box = runtime_.Services().messageBox) {
                box->Show(nullptr, QStringLiteral("Quorvan"),
                          QStringLiteral("这个课程文件夹已经在另一个 Quorvan 窗口中打开了。"),
                          MessageIcon::kInformation);
            }
            runtime_.Stop();
            exitCode_ = 1;
            return false;
        }
        LogFileFailure("cannot lock", kLockFile, error);
    } else {
        // No other tutor writes here now: a temporary file of ours is one a killed tutor left.
        RemoveReplaceLeftovers(kSettingsFileName);
        RemoveReplaceLeftovers(CLessonView::kLessonTextFile);
    }
    {
        CTutorDlg dlg(runtime_.Services());
        dlg.DoModal();
    }
    runtime_.Stop();
    return false;
}
