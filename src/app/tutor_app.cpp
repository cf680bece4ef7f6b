#include "app/tutor_app.h"

#include "app/tutor_dlg.h"
#include "platform/messagebox/message_box.h"
#include "platform/platform_services.h"

bool CTutorApp::InitInstance() {
    if (!m_runtime.Start()) {
        if (MessageBoxService* box = m_runtime.Services().messageBox)
            box->Show(nullptr, QStringLiteral("Error"),
                      QStringLiteral("There was an error initializing COM."), MessageIcon::Error);
        return false;
    }
    {
        CTutorDlg dlg(m_runtime.Services());
        dlg.DoModal();
    }
    m_runtime.Stop();
    return false;
}
