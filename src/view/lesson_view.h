#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/html/html_dialog.h"
#include "platform/platform_services.h"
#include "settings/tutor_settings.h"
#include "speech/role.h"

class QEvent;

// The lesson view: the HTML area of the main window. It shows the cover, the contents and the
// lesson pages, routes their events, and owns the program's working state.
class CLessonView : public HtmlDialog {
    Q_OBJECT
  public:
    // Page resources.
    static constexpr int kLessonPage = 128;
    static constexpr int kCoverPage = 131;
    static constexpr int kContentsPage = 134;
    // The context menu's settings command.
    static constexpr int kSettingsCommand = 146;
    // The decoded text of the open lesson, in the course folder.
    static constexpr const char* kLessonTextFile = "tcnt.tmp";
    // The looping title sound, in the course folder.
    static constexpr const char* kTitleSound = "logo.wav";

    explicit CLessonView(const PlatformServices& services);
    ~CLessonView() override;

    // Creates the view's window as a child of `owner` and initialises it.
    bool Create(QWidget* owner);
    bool IsCreated() const { return created_; }

    void EnableCommandButtons(bool bLesson, bool bIdle);
    // Loops the course's title sound, if the course has one.
    void PlayTitleSound();
    void ShowPage();
    // Sees the owner's posted notifications before they are dispatched.
    bool PreTranslateMessage(QEvent* message);
    void OnSettings();
    void LoadSettings();
    void SaveSettings();
    // Runs the page data exchange; `bSaveAndValidate` reads the page into the view.
    void UpdateData(bool bSaveAndValidate);

    // Course index, contents and lessons.
    void LoadCourseIndex();
    void BuildContentsPage();
    void OpenLesson(const std::string& clickedText);
    void BuildLessonPage();
    void BuildCoverPage();

    // Lesson lines, addressed by their element ids "line1", "line2", ...
    Handle FindLineElement(int nLine) const;
    void HighlightLine(Handle element);
    void UnhighlightLine(Handle element);
    // Moves the current line one step forward (+1) or back (-1); the caller checks the bounds.
    void StepLine(int step);

    std::string m_strSpeakQueue;
    int m_bSpeakingQueue = 0;
    std::string m_strWorkDir;
    Handle m_pLineElement = 0;
    std::uint8_t m_nShowing = 0;
    int m_nLine = 0;
    int m_nLineCount = 0;
    int m_nSection = 1;
    int m_nPage = kCoverPage;
    int m_nMode = 0;
    int m_nLesson = 0;
    TutorSettings m_settings;
    CRole m_role1;
    CRole m_role2;
    int m_nRepeatDone = 0;
    int m_bSectionRequested = 0;
    std::string m_strLessonFile;
    std::vector<std::string> m_lessonNames;

  protected:
    bool OnInitDialog();
    void OnDocumentComplete() override;
    void ShowContextMenu(QPoint globalPos) override;
    std::span<const EventTableEntry> EventTable() const override;
    void OnPageEvent(int handler, Handle element) override;
    void DoDataExchange(bool bSaveAndValidate);

  private:
    void OnHotOver(Handle element);
    void OnHotOut(Handle element);
    void OnFolderClick(Handle element);
    void OnSettingClick(Handle element);
    void OnFileClick(Handle element);
    void OnGotoClick(Handle element);
    void OnSectionChange(Handle element);
    // Captures the course folder, pushes the page data and returns the page's list element.
    Handle PreparePageList();

    const PlatformServices& services_;
    bool created_ = false;
};
