#include "character/qtagent/character_window.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {

constexpr int kPadding = 10;
constexpr int kTailLength = 14;
constexpr int kRadius = 10;

QFont BalloonFont() {
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSize(11);
    return font;
}

void MakeFloating(QWidget* window) {
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_X11DoNotAcceptFocus);
    window->setFocusPolicy(Qt::NoFocus);
}

}  // namespace

Qt::WindowFlags CharacterWindowFlags() {
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;
}

CharacterWindow::CharacterWindow(const std::vector<QImage>& frames, QSize size)
    : QWidget(nullptr, CharacterWindowFlags()), frames_(frames) {
    MakeFloating(this);
    setFixedSize(size);
    setCursor(Qt::OpenHandCursor);
}

const QRegion& CharacterWindow::Shape(int frame) {
    shapes_.resize(frames_.size());
    std::optional<QRegion>& shape = shapes_[static_cast<size_t>(frame)];
    if (!shape) {
        const QImage& image = frames_[static_cast<size_t>(frame)];
        shape = QRegion(QBitmap::fromImage(image.createAlphaMask()));
        if (shape->isEmpty()) {
            // A blank frame would leave no window at all to drag back.
            shape = QRegion(rect());
        }
    }
    return *shape;
}

void CharacterWindow::SetFrame(int frame) {
    if (frame == frame_ || frame < 0 || static_cast<size_t>(frame) >= frames_.size()) {
        return;
    }
    frame_ = frame;
    // Without a compositor only the shape makes the window see-through.
    setMask(Shape(frame));
    update();
}

void CharacterWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (frame_ >= 0) {
        painter.drawImage(0, 0, frames_[static_cast<size_t>(frame_)]);
    } else {
        painter.fillRect(rect(), Qt::transparent);
    }
}

void CharacterWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragOffset_ = event->globalPosition().toPoint() - pos();
        setCursor(Qt::ClosedHandCursor);
        if (onDragStarted) {
            onDragStarted();
        }
    }
}

void CharacterWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragOffset_) {
        move(event->globalPosition().toPoint() - *dragOffset_);
        if (onDragged) {
            onDragged();
        }
    }
}

void CharacterWindow::mouseReleaseEvent(QMouseEvent*) {
    dragOffset_.reset();
    setCursor(Qt::OpenHandCursor);
}

BalloonWindow::BalloonWindow() : QWidget(nullptr, CharacterWindowFlags()) {
    MakeFloating(this);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(BalloonFont());
}

void BalloonWindow::Present(const QString& text, QPoint mouth, int characterTop,
                            int characterBottom, const QRect& screen) {
    text_ = text;
    const QFontMetrics metrics(font());
    int flags = Qt::TextWordWrap;
    QRect bounds = metrics.boundingRect(QRect(0, 0, kMaxTextWidth, 100000), flags, text);
    if (bounds.width() > kMaxTextWidth) {
        flags |= Qt::TextWrapAnywhere;  // one long word that no space breaks
        bounds = metrics.boundingRect(QRect(0, 0, kMaxTextWidth, 100000), flags, text);
    }
    textFlags_ = flags;
    const int bodyWidth = std::max(bounds.width(), 40) + 2 * kPadding;
    const int bodyHeight =
        std::min(bounds.height(), std::max(60, screen.height() / 2)) + 2 * kPadding;
    const int totalHeight = bodyHeight + kTailLength;

    const bool above = characterTop - totalHeight >= screen.top();
    int left = mouth.x() - bodyWidth / 3;
    left = std::clamp(left, screen.left(), std::max(screen.left(), screen.right() - bodyWidth));
    const int top = above ? characterTop - totalHeight : characterBottom;
    setGeometry(left, top, bodyWidth, totalHeight);

    body_ =
        above ? QRect(0, 0, bodyWidth, bodyHeight) : QRect(0, kTailLength, bodyWidth, bodyHeight);
    textRect_ = body_.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const int tailX = std::clamp(mouth.x() - left, kRadius + 8, bodyWidth - kRadius - 8);
    tail_ = above ? QPoint(tailX, totalHeight - 1) : QPoint(tailX, 0);
    // Shaped to the drawn outline, as a character is: without a compositor every pixel of the
    // window outside the shape would show black.
    QImage shape(size(), QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    QPainter painter(&shape);
    PaintOutline(painter);
    painter.end();
    setMask(QBitmap::fromImage(shape.createAlphaMask()));
    update();
}

QPainterPath BalloonWindow::Outline() const {
    QPainterPath path;
    path.addRoundedRect(QRectF(body_).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    QPainterPath tail;
    const bool above = tail_.y() > body_.center().y();
    const int baseY = above ? body_.bottom() - 1 : body_.top() + 1;
    tail.moveTo(tail_.x() - 8, baseY);
    tail.lineTo(tail_);
    tail.lineTo(tail_.x() + 4, baseY);
    tail.closeSubpath();
    return path.united(tail);
}

void BalloonWindow::PaintOutline(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(60, 60, 60), 1.5));
    painter.setBrush(QColor(255, 255, 236));
    painter.drawPath(Outline());
}

void BalloonWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    PaintOutline(painter);
    painter.setPen(QColor(20, 20, 20));
    painter.drawText(textRect_, textFlags_ | Qt::AlignLeft | Qt::AlignTop, text_);
}
