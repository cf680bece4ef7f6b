#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QPainter;

// The window flags of a character and its balloon: no frame, on top, no focus, no task bar entry.
Qt::WindowFlags CharacterWindowFlags();

// A character on the desktop: exactly one frame in size, shaped to the frame's opaque pixels so
// that it looks right without a compositor, and draggable with the mouse. `frames` may still be
// empty (not drawn yet); a frame that is not there is not shown.
class CharacterWindow : public QWidget {
    Q_OBJECT
  public:
    CharacterWindow(const std::vector<QImage>& frames, QSize size);

    void SetFrame(int frame);
    int Frame() const { return frame_; }
    // Called after the learner has dragged the window.
    std::function<void()> onDragged;
    std::function<void()> onDragStarted;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const QRegion& Shape(int frame);

    const std::vector<QImage>& frames_;
    std::vector<std::optional<QRegion>> shapes_;
    int frame_ = -1;
    std::optional<QPoint> dragOffset_;
};

// A speech balloon: wrapped text in a rounded box with a tail pointing at the speaker's mouth.
class BalloonWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMaxTextWidth = 240;

    BalloonWindow();
    // Sizes the balloon for `text` and puts it near `mouth` (screen coordinates) within `screen`,
    // above the character whose top is at `characterTop`, or below it (`characterBottom`) when
    // there is no room above.
    void Present(const QString& text, QPoint mouth, int characterTop, int characterBottom,
                 const QRect& screen);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPainterPath Outline() const;
    void PaintOutline(QPainter& painter) const;

    QString text_;
    int textFlags_ = Qt::TextWordWrap;
    QRect textRect_;
    QRect body_;
    QPoint tail_;  // the tip, in window coordinates
};
