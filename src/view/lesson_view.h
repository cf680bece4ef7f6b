#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/html/html_dialog.h"
#include "platform/timers/timer_service.h"
#include "settings/tutor_settings.h"
#include "speech/role.h"
#include "view/platform_services.h"
#include "view/study_modes.h"

class PracticeStore;
class QEvent;

// The lesson view: the HTML area of the main window. It shows the cover, the contents and the
// lesson pages, routes their events, owns the program's working state, and runs the study modes
// on its window timers.
class CLessonView : public HtmlDialog, public TimerSink {
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
    // The course index, in the course folder, and the most of it that is read: an index is a list
    // of names, and far larger is not one.
    static constexpr const char* kCourseIndexFile = "cntindex.idx";
    static constexpr std::size_t kCourseIndexLimit = std::size_t{4} << 20;
    // The context menu's commands of our own, under the settings.
    static constexpr int kAddLessonCommand = 147;
    static constexpr int kRemoveLessonCommand = 148;

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
    // The index entry a click on `clickedText` of the contents page opens; -1 for none.
    int FindLesson(const std::string& clickedText) const;

    // Lessons of the learner's own text, listed after the course's own (own_lessons.cpp). Makes
    // the lesson of a UTF-8 title and text, adds it to the index and shows the contents page;
    // the reason for the learner when it cannot, and then nothing has changed.
    std::string AddOwnLesson(const std::string& title, const std::string& text);
    // Removes the learner's lesson of index entry `entry`, its entry and its file, once the
    // learner has said yes; the course's own lessons stay.
    void RemoveOwnLesson(int entry);

    // Lesson lines, addressed by their element ids "line1", "line2", ...
    Handle FindLineElement(int nLine) const;
    // Gives the element the current line's look and scrolls it into view.
    void HighlightLine(Handle element);
    void UnhighlightLine(Handle element);

    // The study commands of the main window's buttons.
    void StopStudy();
    void ReadAloud();
    void NextLine();
    void PreviousLine();
    void Repeat();
    void Dictation();
    void ReadAlong();
    // The window timers of the study modes and the speak queue.
    void OnTimer(int id) override;
    // Whether the utterance the mode waits for has ended.
    bool IsSpeechDone() const;

    // Speaking the line of m_pLineElement with role 1: whole (returns once its last run has
    // started, running the GUI thread's events meanwhile), or queued piece by piece on the piece
    // timer (returns at once).
    void SpeakCurrentLine();
    void QueueCurrentLine();
    // One step of the speak queue.
    void SpeakNextPiece();

    std::string m_strSpeakQueue;
    int m_bSpeakingQueue = 0;
    std::string m_strWorkDir;
    Handle m_pLineElement = 0;
    std::uint8_t m_nShowing = 0;
    int m_nLine = 0;
    int m_nLineCount = 0;
    int m_nSection = 1;
    int m_nPage = kCoverPage;
    int m_nMode = MODE_IDLE;
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
    // The learner's lesson under the pointer on the contents page, by index entry; -1 for none.
    int OwnLessonUnderPointer() const;
    void OnAddLesson();
    // The hot element under the pointer, 0 when there is none.
    Handle hovered_ = 0;
    void OnFolderClick(Handle element);
    void OnSettingClick(Handle element);
    void OnFileClick(Handle element);
    void OnGotoClick(Handle element);
    void OnSectionChange(Handle element);
    // Captures the course folder, pushes the page data and returns the page's list element.
    Handle PreparePageList();

    // Sets role 1's rate from the stored speed.
    void ApplyRate();
    // Gives `role` the settings' balloon and Chinese switches.
    void CopyRoleSwitches(CRole& role) const;
    // Loads the character the settings name for a role; a name the agent refuses as not a file
    // name in its character folder is replaced by `fallback`, the role's default character.
    void LoadRoleCharacter(CRole& role, std::string& file, const std::string& fallback, int bShow);
    void SetTimer(int id, int periodMs);
    void KillTimer(int id);
    // The pause after a line, from the settings as they are now.
    int PauseInterval() const;
    // Starts read aloud, read-along or dictation on the current line, polling with `waitTimer`.
    void StartLessonMode(int waitTimer, int waitPeriodMs);
    void HideSecondRole();
    // Stops both roles' speech: the part of next, previous and stop that silences.
    void SilenceRoles();
    // A wait timer that has seen the end of speech arms the running mode's step.
    void ArmStep(int periodMs);
    // The step of read-along (307) or dictation (309): a replay, or the next line.
    void DrillStep(int stepTimer, void (CLessonView::*nextLine)());
    // The text of m_pLineElement in the program's code page; empty when there is none.
    std::string LineSpeechText() const;

    const PlatformServices& services_;
    bool created_ = false;
    std::unique_ptr<TimerService> timers_;

    // Speaking practice (lesson_practice.cpp): the learner says the current line after the tutor,
    // is recorded and scored off the GUI thread, and sees each English word of the line marked.
  public:
    // The button 我来说.
    void Practise();
    // 停止 and Esc: a recording ends early and is scored; anything else stops as StopStudy does.
    void StopCommand();
    // Whether recordings are kept besides the scores; stored in the practice folder.
    bool KeepsRecordings() const;
    void SetKeepsRecordings(bool keep);

  private:
    struct Practice;
    struct PracticeDeleter {
        void operator()(Practice* practice) const;
    };
    // Enables 我来说 for `line`, the current line, or disables it with the reason as its tooltip.
    void UpdatePractiseButton(Handle line);
    // Ends any practice at once: no recording goes on, no result is shown.
    void AbortPractice();
    void OnPracticeTimer(int id);
    void OnPracticeSamples(std::span<const std::int16_t> samples);
    void StartRecording();
    void FinishRecording();
    void ShowPracticeResult();
    void MarkLineWords(Handle line);
    void OnPracticeWordClick(Handle element);
    // Appends each lesson's practice to its row of the contents list.
    void ShowPracticeProgress();
    void SayInBalloon(const char* utf8Text);
    PracticeStore& Store();
    // Names the open lesson among all courses, for the store.
    std::string PracticeLesson(const std::string& lessonFile) const;

    std::unique_ptr<Practice, PracticeDeleter> practice_;
    bool lessonButtons_ = false;
};
