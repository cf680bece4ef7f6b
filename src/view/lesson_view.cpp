#include "view/lesson_view.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QResizeEvent>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "character/agent.h"
#include "platform/codepage.h"
#include "platform/events/voice_notification.h"
#include "platform/files/files.h"
#include "platform/log/log.h"
#include "platform/sound/sound_player.h"
#include "platform/window/dialog_controls.h"
#include "view/command_ids.h"
#include "view/settings_dlg.h"

namespace {

// The main window's mouth picture, where the voices show their mouth shapes.
constexpr int kMouthPictureControl = 1018;

enum Handler {
    kHotOver,
    kHotOut,
    kFolderClick,
    kSettingClick,
    kFileClick,
    kGotoClick,
    kSectionChange,
    kPracticeWordClick
};

// Matched against the element that raised the event, never its parents.
constexpr std::array<EventTableEntry, 14> kEventTable{{
    {EventMatch::kByClass, PageEventType::kMouseOver, "hotElement", kHotOver},
    {EventMatch::kByClass, PageEventType::kMouseOut, "hotElement", kHotOut},
    {EventMatch::kByClass, PageEventType::kMouseOver, "folder", kHotOver},
    {EventMatch::kByClass, PageEventType::kMouseOut, "folder", kHotOut},
    {EventMatch::kByClass, PageEventType::kMouseOver, "file", kHotOver},
    {EventMatch::kByClass, PageEventType::kMouseOut, "file", kHotOut},
    {EventMatch::kByClass, PageEventType::kClick, "folder", kFolderClick},
    {EventMatch::kByClass, PageEventType::kClick, "setting", kSettingClick},
    {EventMatch::kByClass, PageEventType::kMouseOver, "setting", kHotOver},
    {EventMatch::kByClass, PageEventType::kMouseOut, "setting", kHotOut},
    {EventMatch::kByClass, PageEventType::kClick, "file", kFileClick},
    {EventMatch::kById, PageEventType::kClick, "Goto", kGotoClick},
    {EventMatch::kElementById, PageEventType::kChange, "Select1", kSectionChange},
    {EventMatch::kByClass, PageEventType::kClick, "practiceWord", kPracticeWordClick},
}};

}  // namespace

CLessonView::CLessonView(const PlatformServices& services)
    : m_role1(SpeechServices{services.speech, services.messageBox, services.pump}, services.agent),
      m_role2(SpeechServices{services.speech, services.messageBox, services.pump}, services.agent),
      services_(services),
      timers_(services.makeTimers ? services.makeTimers(*this) : nullptr) {
    LoadSettings();
}

CLessonView::~CLessonView() {
    // The microphone would go on calling into the view.
    AbortPractice();
    SaveSettings();
    m_lessonNames.clear();
    std::remove(kLessonTextFile);
    m_pLineElement = 0;
}

bool CLessonView::Create(QWidget* owner) {
    setParent(owner);
    SetRenderer(services_.makeRenderer(*this));
    created_ = true;
    return OnInitDialog();
}

bool CLessonView::OnInitDialog() {
    m_nShowing = 0;
    LoadFromResource(kCoverPage);
    const TutorSettings defaults;
    CopyRoleSwitches(m_role1);
    LoadRoleCharacter(m_role1, m_settings.strCharacter1, defaults.strCharacter1, 1);
    CopyRoleSwitches(m_role2);
    LoadRoleCharacter(m_role2, m_settings.strCharacter2, defaults.strCharacter2, 0);
    QWidget* owner = parentWidget();
    auto* mouth = qobject_cast<QLabel*>(FindControl(owner, kMouthPictureControl));
    m_role1.AttachNotify(owner, mouth);
    m_role2.AttachNotify(owner, mouth);
    m_role1.PlayAnimation("Greet");
    m_role1.PlayAnimation("RestPose");
    // A learner who chose a speed expects it after a restart too.
    ApplyRate();
    LoadCourseIndex();
    m_nRepeatDone = 1;
    return true;
}

void CLessonView::OnDocumentComplete() {
    if (m_nPage == 1) {
        BuildContentsPage();
    } else if (m_nPage == 2) {
        BuildLessonPage();
    } else {
        BuildCoverPage();
    }
}

void CLessonView::ShowPage() {
    LoadFromResource(m_nPage == 1 ? kContentsPage : m_nPage == 2 ? kLessonPage : kCoverPage);
}

void CLessonView::EnableCommandButtons(bool bLesson, bool bIdle) {
    const QWidget* owner = parentWidget();
    if (!owner) {
        return;
    }
    auto enable = [owner](int id, bool on) {
        if (QWidget* button = FindControl(owner, id)) {
            button->setEnabled(on);
        }
    };
    enable(kStopButton, bLesson);
    enable(kNextButton, bLesson);
    enable(kPreviousButton, bLesson);
    enable(kReadAloudButton, bLesson && bIdle);
    enable(kDictationButton, bLesson && bIdle);
    enable(kRepeatButton, bLesson && bIdle);
    enable(kReadAlongButton, bLesson && bIdle);
    lessonButtons_ = bLesson;
    UpdatePractiseButton(m_pLineElement);
}

bool CLessonView::PreTranslateMessage(QEvent* message) {
    if (message->type() == kVoiceNotificationEvent) {
        m_role1.PumpVoiceEvents();
        m_role2.PumpVoiceEvents();
    }
    return false;
}

void CLessonView::OnSettings() {
    StopStudy();
    CSettingsDlg dlg(m_settings.nSpeed, m_settings.nPauseSeconds, m_settings.nRepeatCount,
                     m_settings.bShowPhonetic, m_settings.bShowChinese, m_settings.bShowBalloon,
                     m_settings.bShowMouth, m_settings.bShowChineseBalloon,
                     m_settings.bSpeakChinese, m_settings.strCharacter1, m_settings.strCharacter2,
                     this, services_);
    dlg.SetKeepNoRecordings(!KeepsRecordings());
    if (dlg.DoModal() == QDialog::Accepted) {
        SetKeepsRecordings(!dlg.KeepNoRecordings());
        m_settings.nSpeed = dlg.m_nRate;
        m_settings.nPauseSeconds = dlg.m_nInterval;
        m_settings.nRepeatCount = dlg.m_nReplay;
        m_settings.bShowPhonetic = dlg.m_bShowPhonetic;
        m_settings.bShowChinese = dlg.m_bShowChinese;
        m_settings.bShowBalloon = dlg.m_bShowBalloon;
        m_settings.bShowMouth = dlg.m_bShowMouth;
        m_settings.bShowChineseBalloon = dlg.m_bChineseBalloon;
        m_settings.bSpeakChinese = dlg.m_bSpeakChinese;
        // The owner lays itself out again, which shows or hides the mouth picture.
        if (QWidget* owner = parentWidget()) {
            QResizeEvent resize(owner->size(), owner->size());
            QCoreApplication::sendEvent(owner, &resize);
        }
        if (!SameCharacterName(dlg.m_strRole1, m_settings.strCharacter1)) {
            m_settings.strCharacter1 = dlg.m_strRole1;
            m_role1.LoadCharacter(Cp936ToUtf16(m_settings.strCharacter1), 0, 1);
        }
        if (!SameCharacterName(dlg.m_strRole2, m_settings.strCharacter2)) {
            m_settings.strCharacter2 = dlg.m_strRole2;
            m_role2.LoadCharacter(Cp936ToUtf16(m_settings.strCharacter2), 0, 0);
        }
        ApplyRate();
        CopyRoleSwitches(m_role1);
        // A change of letter case alone is stored without reloading the character.
        m_settings.strCharacter1 = dlg.m_strRole1;
        m_role1.PlayAnimation("DoMagic1");
        m_role1.PlayAnimation("DoMagic2");
        m_role1.PlayAnimation("RestPose");
    }
    ShowPage();
}

void CLessonView::CopyRoleSwitches(CRole& role) const {
    role.m_bShowBalloon = m_settings.bShowBalloon;
    role.m_bChineseInBalloon = m_settings.bShowChineseBalloon;
    role.m_bReadChinese = m_settings.bSpeakChinese;
}

void CLessonView::LoadRoleCharacter(CRole& role, std::string& file, const std::string& fallback,
                                    int bShow) {
    // The agent has said why on stderr.
    if (role.LoadCharacter(Cp936ToUtf16(file), 0, bShow) == AgentError::kNotInFolder) {
        file = fallback;
        role.LoadCharacter(Cp936ToUtf16(file), 0, bShow);
    }
}

void CLessonView::ApplyRate() {
    // The file is not range-checked; the engine clamps what lies outside -10..10.
    const std::int64_t rate = std::int64_t{m_settings.nSpeed} * 5 - 10;
    m_role1.SetRate(static_cast<int>(std::clamp<std::int64_t>(rate, kMinRate, kMaxRate)));
}

void CLessonView::LoadSettings() {
    const std::error_code error = ::LoadSettings(m_settings);
    if (error && error != std::errc::no_such_file_or_directory) {
        LogFileFailure("cannot read", kSettingsFileName, error);
    }
}

void CLessonView::SaveSettings() {
    if (const std::error_code error = ::SaveSettings(m_settings)) {
        LogFileFailure("cannot save", kSettingsFileName, error);
    }
}

void CLessonView::UpdateData(bool bSaveAndValidate) {
    DoDataExchange(bSaveAndValidate);
}

void CLessonView::DoDataExchange(bool bSaveAndValidate) {
    // Writing has nothing to put into the page: the selector keeps the selection it was built with.
    const int index = GetSelectedIndex("Select1");
    if (!bSaveAndValidate || !m_bSectionRequested) {
        return;
    }
    m_bSectionRequested = 0;
    if (index < 0 || index + 1 == m_nSection) {
        return;
    }
    m_nSection = index + 1;
    if (m_nShowing == 1 || m_nPage == 2) {
        LoadFromResource(kLessonPage);
    }
}

void CLessonView::ShowContextMenu(QPoint globalPos) {
    QMenu menu(this);
    menu.setTitle(QStringLiteral("Content"));
    menu.addAction(QStringLiteral("设置"))->setData(kSettingsCommand);
    menu.addAction(QStringLiteral("添加课文…"))->setData(kAddLessonCommand);
    // Captured now: the menu takes the pointer, and the page reports it gone.
    const int own = OwnLessonUnderPointer();
    if (own >= 0) {
        menu.addAction(QStringLiteral("删除课文"))->setData(kRemoveLessonCommand);
    }
    const QAction* chosen = menu.exec(globalPos);
    switch (chosen != nullptr ? chosen->data().toInt() : 0) {
        case kSettingsCommand:
            return OnSettings();
        case kAddLessonCommand:
            return OnAddLesson();
        case kRemoveLessonCommand:
            return RemoveOwnLesson(own);
    }
}

std::span<const EventTableEntry> CLessonView::EventTable() const {
    return kEventTable;
}

void CLessonView::OnPageEvent(int handler, Handle element) {
    switch (handler) {
        case kHotOver:
            return OnHotOver(element);
        case kHotOut:
            return OnHotOut(element);
        case kFolderClick:
            return OnFolderClick(element);
        case kSettingClick:
            return OnSettingClick(element);
        case kFileClick:
            return OnFileClick(element);
        case kGotoClick:
            return OnGotoClick(element);
        case kSectionChange:
            return OnSectionChange(element);
        case kPracticeWordClick:
            return OnPracticeWordClick(element);
    }
}

void CLessonView::OnHotOver(Handle element) {
    SetElementColor(element, 0xFF0000);
    SetElementCursor(element, "hand");
    hovered_ = element;
}

void CLessonView::OnHotOut(Handle element) {
    SetElementColor(element, 0);
    hovered_ = 0;
}

void CLessonView::OnFolderClick(Handle element) {
    const std::string text = GetElementText(element);
    if (text.empty()) {
        return;
    }
    if (text == "系统设置") {
        return;  // settings open from the element of class "setting" only
    }
    if (text == "返回目录" && m_nMode != MODE_IDLE) {
        StopStudy();
    }
    // Leaving a lesson or the contents brings the title sound back; opening the contents does not.
    const bool toContents = text == "打开课文" || text == "返回目录";
    if (text != "打开课文") {
        PlayTitleSound();
    }
    m_nPage = toContents ? 1 : 0;
    m_nShowing = toContents ? 2 : 0;
    if (!toContents && m_role1.m_pCharacter != nullptr) {
        m_role1.m_pCharacter->StopAll(kStopTypePlay);
    }
    ShowPage();
    EnableCommandButtons(false, true);
}

void CLessonView::OnSettingClick(Handle) {
    OnSettings();
}

void CLessonView::OnFileClick(Handle element) {
    const std::string text = GetElementText(element);
    if (text.empty()) {
        return;
    }
    if (m_nPage != 2) {
        OpenLesson(Utf8ToCp936(text));
        return;
    }
    // A line: repeat it, while the highlight stays on the current line.
    StopStudy();
    m_nMode = MODE_REPEAT;
    EnableCommandButtons(true, false);
    m_pLineElement = element;
    QueueCurrentLine();
    SetTimer(IDT_REPEAT_WAIT, 100);
}

void CLessonView::OnGotoClick(Handle) {
    m_bSectionRequested = 1;
    UpdateData(true);
}

void CLessonView::OnSectionChange(Handle) {}

void CLessonView::PlayTitleSound() {
    // The sound engine opens the file by name: only a regular file inside the course may reach it.
    UniqueFd file;
    if (const std::error_code error = OpenCourseFile(kTitleSound, file)) {
        if (error != std::errc::no_such_file_or_directory) {
            LogFileFailure("cannot play", kTitleSound, error);
        }
        return;
    }
    services_.sound->PlayLooping(kTitleSound);
}
