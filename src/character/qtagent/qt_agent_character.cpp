#include "character/qtagent/qt_agent_character.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineF>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "character/qtagent/character_window.h"
#include "platform/log/log.h"

namespace {

// A window that no modal window blocks: the character belongs to the bottom-most modal window
// (the main window), so that the learner can still drag it while that window runs.
QWidget* ModalOwner() {
    QWidget* owner = QApplication::activeModalWidget();
    while (owner != nullptr && owner->parentWidget() != nullptr) {
        owner = owner->parentWidget()->window();
    }
    return owner;
}

// The screen the program places a character on: the one the main window is on.
QScreen* PlacementScreen(const QWidget* window) {
    const QWidget* owner =
        window->parentWidget() != nullptr ? window->parentWidget() : ModalOwner();
    return owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
}

QRect AvailableArea(const QScreen* screen) {
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

QtAgentCharacter::QtAgentCharacter(CharacterData data, std::string file,
                                   std::chrono::milliseconds drawBudget)
    : data_(std::move(data)),
      file_(std::move(file)),
      window_(new CharacterWindow(frames_, QSize(data_.width, data_.height))),
      balloon_(new BalloonWindow) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kFrameIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &QtAgentCharacter::OnTick);
    window_->setWindowTitle(data_.name);
    window_->onDragged = [this] { PlaceBalloon(); };
    window_->onDragStarted = [this] {
        // The learner's drag wins over a glide in progress.
        if (current_ && current_->kind == Kind::kMove) {
            Finish();
        }
    };
    StartAnimation(QStringLiteral("RestPose"));
    drawer_ = std::make_unique<FrameDrawer>(data_, drawBudget, [this] {
        QMetaObject::invokeMethod(
            this, [this] { TakeFrames(); }, Qt::QueuedConnection);
    });
}

QtAgentCharacter::~QtAgentCharacter() {
    drawer_.reset();
    timer_.stop();
    delete balloon_.data();
    delete window_.data();
}

bool QtAgentCharacter::WaitForFrames() {
    if (drawer_) {
        drawer_->Wait();
    }
    TakeFrames();
    return drawn_;
}

void QtAgentCharacter::TakeFrames() {
    if (drawn_ || refused_ || !drawer_ || !drawer_->Finished()) {
        return;
    }
    std::string reason;
    std::optional<std::vector<QImage>> frames = drawer_->Take(reason);
    if (!frames) {
        LogLine("cannot load character " + file_ + ": " + reason);
        refused_ = true;
        queue_.clear();
        current_.reset();
        animation_ = nullptr;
        shown_ = false;
        balloonUp_ = false;
        timer_.stop();
        UpdateWindows();
        return;
    }
    frames_ = std::move(*frames);
    drawn_ = true;
    if (shownFrame_ >= 0) {
        ShowFrame(shownFrame_);
    }
    UpdateWindows();
    if (current_ || !queue_.empty()) {
        clock_.start();
        timer_.start();
    }
}

std::u16string QtAgentCharacter::GetName() const {
    return data_.name.toStdU16String();
}

std::error_code QtAgentCharacter::SetLanguageID(int languageId) {
    languageId_ = languageId;
    return {};
}

std::error_code QtAgentCharacter::MoveTo(short x, short y, int speed) {
    if (speed == 0) {
        Place(QPoint(x, y));
        return {};
    }
    Enqueue({Kind::kMove, {}, QPoint(x, y)});
    return {};
}

std::error_code QtAgentCharacter::Show(bool fast) {
    if (fast) {
        AttachToOwner();
        shown_ = true;
        UpdateWindows();
        return {};
    }
    Enqueue({Kind::kShow, {}, {}});
    return {};
}

std::error_code QtAgentCharacter::Hide(bool fast) {
    if (fast) {
        queue_.clear();
        current_.reset();
        shown_ = false;
        balloonUp_ = false;
        UpdateWindows();
        return {};
    }
    Enqueue({Kind::kHide, {}, {}});
    return {};
}

void QtAgentCharacter::Speak(const std::u16string& text) {
    Enqueue({Kind::kSpeak, QString::fromStdU16String(text), {}});
}

void QtAgentCharacter::Play(const std::u16string& animation) {
    Enqueue({Kind::kPlay, QString::fromStdU16String(animation), {}});
}

void QtAgentCharacter::StopAll(int types) {
    const auto dropped = [types](const Request& request) {
        return request.kind == Kind::kSpeak ? (types & kStopTypeSpeak) != 0
                                            : (types & kStopTypePlay) != 0;
    };
    // A dropped glide still takes the character where it was asked to go, or a page switch right
    // after start-up would leave it wherever it stood (over the buttons, say).
    for (const Request& request : queue_) {
        if (request.kind == Kind::kMove && dropped(request)) {
            Place(request.target);
        }
    }
    std::erase_if(queue_, dropped);
    if (current_ && dropped(*current_)) {
        // What the stopped request was for still takes effect: a glide ends at its target, a
        // hide hides; only the time it would have taken is skipped.
        if (current_->kind == Kind::kMove) {
            Place(current_->target);
        }
        Finish();
    }
}

void QtAgentCharacter::Enqueue(Request request) {
    if (refused_) {
        return;
    }
    queue_.push_back(std::move(request));
    if (!timer_.isActive()) {
        clock_.start();
        timer_.start();
    }
}

void QtAgentCharacter::Start(const Request& request) {
    current_ = request;
    switch (request.kind) {
        case Kind::kPlay:
            if (!data_.Animation(request.text)) {
                current_.reset();  // an animation the character does not have plays as nothing
                return;
            }
            StartAnimation(request.text);
            return;
        case Kind::kShow:
            if (shown_) {
                current_.reset();
                return;
            }
            StartAnimation(QStringLiteral("Show"));
            AttachToOwner();
            shown_ = true;
            UpdateWindows();
            return;
        case Kind::kHide:
            if (!shown_) {
                current_.reset();
                return;
            }
            StartAnimation(QStringLiteral("Hide"));
            return;
        case Kind::kSpeak:
            balloonLeft_ = BalloonMs(request.text);
            StartAnimation(QStringLiteral("Talk"));
            if (shown_) {
                balloonUp_ = true;
                PlaceBalloon();
                UpdateWindows();
            }
            return;
        case Kind::kMove:
            current_->target = Inside(request.target);
            glideFrom_ = window_ ? window_->pos() : current_->target;
            glideMs_ = GlideMs(QLineF(glideFrom_, current_->target).length());
            glideElapsed_ = 0;
            return;
    }
}

void QtAgentCharacter::Finish() {
    if (!current_) {
        return;
    }
    const Kind kind = current_->kind;
    current_.reset();
    if (kind == Kind::kHide) {
        shown_ = false;
    }
    if (kind == Kind::kSpeak || kind == Kind::kHide) {
        balloonUp_ = false;
        UpdateWindows();
    }
    if (kind != Kind::kMove) {
        StartAnimation(QStringLiteral("Idle"));
    }
}

void QtAgentCharacter::StartAnimation(const QString& animationName) {
    animation_ = data_.Animation(animationName);
    step_ = 0;
    stepElapsed_ = 0;
    if (animation_ != nullptr) {
        ShowFrame(animation_->steps.front().frame);
    }
}

bool QtAgentCharacter::AdvanceAnimation(int elapsedMs) {
    if (animation_ == nullptr) {
        return false;
    }
    stepElapsed_ += elapsedMs;
    while (stepElapsed_ >= animation_->steps[static_cast<size_t>(step_)].ms) {
        stepElapsed_ -= animation_->steps[static_cast<size_t>(step_)].ms;
        if (static_cast<size_t>(++step_) == animation_->steps.size()) {
            if (!animation_->loop) {
                step_ = static_cast<int>(animation_->steps.size()) - 1;
                return false;
            }
            step_ = 0;
        }
    }
    ShowFrame(animation_->steps[static_cast<size_t>(step_)].frame);
    return true;
}

void QtAgentCharacter::ShowFrame(int frame) {
    shownFrame_ = frame;
    if (window_) {
        window_->SetFrame(frame);
    }
}

void QtAgentCharacter::Place(QPoint topLeft) {
    if (window_) {
        window_->move(Inside(topLeft));
    }
    PlaceBalloon();
}

QPoint QtAgentCharacter::Inside(QPoint topLeft) const {
    if (!window_) {
        return topLeft;
    }
    // A stored window position from a screen that is gone, or the strip of a panel, would put
    // the character where nobody sees it.
    const QRect area = AvailableArea(PlacementScreen(window_));
    const QSize size = window_->size();
    return {std::clamp(topLeft.x(), area.left(),
                       std::max(area.left(), area.right() + 1 - size.width())),
            std::clamp(topLeft.y(), area.top(),
                       std::max(area.top(), area.bottom() + 1 - size.height()))};
}

void QtAgentCharacter::AttachToOwner() {
    QWidget* owner = ModalOwner();
    if (!window_ || owner == nullptr || window_->parentWidget() == owner) {
        return;
    }
    const QPoint at = window_->pos();
    window_->setParent(owner, CharacterWindowFlags());
    window_->move(at);
    owner->installEventFilter(this);
}

bool QtAgentCharacter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && window_ &&
        watched == window_->parentWidget()) {
        UpdateWindows();
    }
    return QObject::eventFilter(watched, event);
}

void QtAgentCharacter::UpdateWindows() {
    if (window_) {
        window_->setVisible(shown_ && drawn_);
    }
    // The character's window belongs to the main window, which the window manager minimises
    // together with it (hidden by the program as well, the main window would not come back in
    // some). The balloon is a window of its own: hidden here while the main window is minimised,
    // so that the lines read meanwhile pop up no balloon alone.
    const QWidget* owner = window_ ? window_->parentWidget() : nullptr;
    if (balloon_) {
        balloon_->setVisible(shown_ && drawn_ && balloonUp_ &&
                             (owner == nullptr || !owner->isMinimized()));
    }
}

void QtAgentCharacter::PlaceBalloon() {
    if (!window_ || !balloon_ || !current_ || current_->kind != Kind::kSpeak) {
        return;
    }
    const QRect frame = window_->geometry();
    // On the screen the character is on, which the learner may have dragged it to.
    const QScreen* screen = QGuiApplication::screenAt(frame.center());
    const QRect area = AvailableArea(screen != nullptr ? screen : PlacementScreen(window_));
    balloon_->Present(current_->text, frame.topLeft() + data_.balloon, frame.top(),
                      frame.bottom() + 1, area);
}

int QtAgentCharacter::BalloonMs(const QString& text) {
    // About 12 Latin letters or 4 Chinese characters a second, and time to notice the balloon.
    int ms = 1500;
    for (const char32_t c : text.toUcs4()) {
        ms += c >= 0x2E80 ? 250 : 80;
    }
    return std::min(ms, 20000);
}

int QtAgentCharacter::GlideMs(double distance) {
    return static_cast<int>(std::clamp(500.0 + distance, 500.0, 1500.0));
}

void QtAgentCharacter::OnTick() {
    // Measured time, so that a late tick catches up instead of slowing the animation down.
    const int elapsed = static_cast<int>(std::min<qint64>(clock_.restart(), 200));
    Advance(elapsed);
}

void QtAgentCharacter::Advance(int elapsedMs) {
    // Requests wait for the frames; TakeFrames starts the timer again.
    if (!drawn_) {
        timer_.stop();
        return;
    }
    if (current_ || queue_.empty()) {
        AdvanceCurrent(elapsedMs);
    }
    // The next request starts in the same frame as the last one ended, so queued animations
    // follow each other without a pause.
    while (!current_ && !queue_.empty()) {
        const Request next = queue_.front();
        queue_.pop_front();
        Start(next);
    }
    // Idle only costs timer ticks while someone can see it.
    if (!current_ && queue_.empty() && (!window_ || !window_->isVisible())) {
        timer_.stop();
    }
}

void QtAgentCharacter::AdvanceCurrent(int elapsedMs) {
    if (current_) {
        switch (current_->kind) {
            case Kind::kPlay:
            case Kind::kShow:
            case Kind::kHide:
                if (!AdvanceAnimation(elapsedMs)) {
                    Finish();
                }
                break;
            case Kind::kSpeak:
                AdvanceAnimation(elapsedMs);
                balloonLeft_ -= elapsedMs;
                if (balloonLeft_ <= 0) {
                    Finish();
                }
                break;
            case Kind::kMove: {
                AdvanceAnimation(elapsedMs);
                glideElapsed_ += elapsedMs;
                const double t = std::min(1.0, double(glideElapsed_) / std::max(1, glideMs_));
                // Eased at both ends, so the start and stop do not jerk.
                const double eased = t * t * (3 - 2 * t);
                const QPoint target = current_->target;
                Place(glideFrom_ + (target - glideFrom_) * eased);
                if (t >= 1.0) {
                    Place(target);
                    Finish();
                }
                break;
            }
        }
    } else {
        AdvanceAnimation(elapsedMs);
    }
}
