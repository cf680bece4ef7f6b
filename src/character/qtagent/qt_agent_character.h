#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "character/agent.h"
#include "character/character_file.h"
#include "character/frame_drawer.h"
#include "character/qtagent/character_window.h"

// One character of the real agent. Requests queue up and run one after the other on a steady
// frame timer; with nothing queued the character idles. Show, Hide and gliding moves are queued
// like animations, so a greeting finishes before the character walks off. The frames are drawn on a
// thread of their own; until they are, the character is not shown and its requests wait. A file
// whose frames cannot be drawn is refused then: the character goes away and does nothing more.
class QtAgentCharacter : public QObject, public AgentCharacter {
    Q_OBJECT
  public:
    static constexpr int kFrameIntervalMs = 20;

    // `file` names the character file in the log; drawing its frames may take `drawBudget`.
    QtAgentCharacter(CharacterData data, std::string file,
                     std::chrono::milliseconds drawBudget = kMaxDrawTime);
    ~QtAgentCharacter() override;

    std::u16string GetName() const override;
    std::error_code SetLanguageID(int languageId) override;
    std::error_code MoveTo(short x, short y, int speed) override;
    std::error_code Show(bool fast) override;
    std::error_code Hide(bool fast) override;
    void Speak(const std::u16string& text) override;
    void Play(const std::u16string& animation) override;
    void StopAll(int types) override;

    const CharacterData& Data() const { return data_; }
    // The drawn frames; empty until drawn.
    const std::vector<QImage>& Frames() const { return frames_; }
    // Waits until the frames are drawn or refused (for tests, benchmarks and screenshots, which
    // run no event loop); true when they are drawn.
    bool WaitForFrames();
    bool Refused() const { return refused_; }
    // The window, for tests, benchmarks and screenshots; null once Qt has deleted it.
    CharacterWindow* Window() const { return window_; }
    BalloonWindow* Balloon() const { return balloon_; }
    bool IsBusy() const { return current_.has_value() || !queue_.empty(); }
    // Runs the frame timer's work for `elapsedMs`, as the timer does.
    void Advance(int elapsedMs);
    // How long a balloon with `text` stays up.
    static int BalloonMs(const QString& text);
    // How long a glide over `distance` pixels takes.
    static int GlideMs(double distance);

  private:
    enum class Kind { kPlay, kSpeak, kShow, kHide, kMove };
    struct Request {
        Kind kind = Kind::kPlay;
        QString text;  // animation name or balloon text
        QPoint target;
    };

    void Enqueue(Request request);
    void Start(const Request& request);
    void Finish();
    void StartAnimation(const QString& animationName);
    // Advances the running animation; false when a non-looping one has ended.
    bool AdvanceAnimation(int elapsedMs);
    void ShowFrame(int frame);
    void Place(QPoint topLeft);
    // `topLeft` moved so that the character is whole inside the free area of the main window's
    // screen.
    QPoint Inside(QPoint topLeft) const;
    void PlaceBalloon();
    // Makes the main window the character's owner, so that it can be dragged while that window is
    // modal and goes away while that window is minimised.
    void AttachToOwner();
    void UpdateWindows();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void AdvanceCurrent(int elapsedMs);
    void OnTick();
    // Takes the frames once the drawing thread is done with them, or refuses the character.
    void TakeFrames();

    CharacterData data_;
    std::string file_;
    std::vector<QImage> frames_;
    bool drawn_ = false;
    bool refused_ = false;
    int languageId_ = 0x409;
    QPointer<CharacterWindow> window_;
    QPointer<BalloonWindow> balloon_;
    QTimer timer_;
    QElapsedTimer clock_;
    std::deque<Request> queue_;
    std::optional<Request> current_;
    const CharacterAnimation* animation_ = nullptr;
    int step_ = 0;
    int stepElapsed_ = 0;
    int shownFrame_ = -1;
    QPoint glideFrom_;
    int glideMs_ = 0;
    int glideElapsed_ = 0;
    int balloonLeft_ = 0;
    // Shown by Show until hidden by Hide, and a balloon up while speaking, whether or not the
    // windows are on the screen at the moment.
    bool shown_ = false;
    bool balloonUp_ = false;
    // Last, so that its thread stops before anything it reports to goes away.
    std::unique_ptr<FrameDrawer> drawer_;
};
