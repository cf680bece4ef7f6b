// The voices inside the real main window: their notifications reach the mouth picture.

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QLabel>

#include "app/tutor_dlg.h"
#include "platform/window/dialog_controls.h"
#include "support/test_platform.h"

namespace {

TEST(MainWindowVoices, MouthShapesOfRoleOneShowBesideTheLesson) {
    TemporaryCourse course;
    course.Write("cntindex.idx", "");
    TestPlatform platform;
    CTutorDlg dlg(platform.Services());
    dlg.Create();
    auto* mouth = qobject_cast<QLabel*>(FindControl(&dlg, CTutorDlg::kPictureControl));
    ASSERT_NE(mouth, nullptr);
    // Role 1's English voice was made first; without course pictures it has the built-in ones.
    ASSERT_FALSE(platform.Speech().created.empty());
    platform.Speech().created.front()->EmitViseme(2);
    QCoreApplication::sendPostedEvents(&dlg);
    EXPECT_EQ(mouth->pixmap().toImage(),
              dlg.m_view.m_role1.m_pEnglishVoice->m_hVisemes[2].toImage());
    EXPECT_TRUE(platform.MessageBox().Messages().empty());
}

}  // namespace
