#include "app/tutor_dlg.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMoveEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "platform/window/dialog_controls.h"
#include "speech/viseme_table.h"
#include "speech/voice.h"
#include "view/command_ids.h"

namespace {

struct ButtonTemplate {
    int id;
    const char* caption;
    int x;
    void (CLessonView::*command)();
};

// Template 102's command buttons in the order they are laid out, left to right, with the lesson
// view's study command each one runs.
constexpr std::array<ButtonTemplate, 8> kButtons{{
    {kReadAlongButton, "跟读", 7, &CLessonView::ReadAlong},
    {kRepeatButton, "重复", 63, &CLessonView::Repeat},
    {kDictationButton, "听写", 120, &CLessonView::Dictation},
    {kPreviousButton, "上一句", 177, &CLessonView::PreviousLine},
    {kNextButton, "下一句", 235, &CLessonView::NextLine},
    {kReadAloudButton, "朗读", 293, &CLessonView::ReadAloud},
    {kStopButton, "停止", 351, &CLessonView::StopCommand},
    {kPractiseButton, "我来说", 409, &CLessonView::Practise},
}};

constexpr int kTemplateWidth = 466;
constexpr int kTemplateHeight = 201;
constexpr int kButtonY = 180;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
// Pixel constants of the layout.
constexpr int kViewTop = 3;
constexpr int kViewBottomMargin = 45;
constexpr int kButtonRowFromBottom = 30;
constexpr int kButtonGap = 6;
constexpr int kMinimumRowStart = 10;
constexpr int kRestPictureId = 22;
constexpr std::int64_t kCoordinateLimit = std::int64_t{1} << 24;

}  // namespace

CTutorDlg::CTutorDlg(const PlatformServices& services)
    : m_view(services), m_hIcon(QStringLiteral(":/icons/quorvan.svg")) {
    setWindowTitle(QStringLiteral("Quorvan"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    const DialogUnits units(font());
    resize(units.Size(kTemplateWidth, kTemplateHeight));
    for (const ButtonTemplate& button : kButtons) {
        auto* control = new QPushButton(QString::fromUtf8(button.caption), this);
        SetControlId(control, button.id);
        control->setFlat(true);
        control->setEnabled(false);
        control->setGeometry(QRect(QPoint(units.X(button.x), units.Y(kButtonY)),
                                   units.Size(kButtonWidth, kButtonHeight)));
        connect(control, &QPushButton::clicked, this,
                [this, command = button.command] { (m_view.*command)(); });
    }
    m_picture = new QLabel(this);
    SetControlId(m_picture, kPictureControl);
    m_picture->setFrameShape(QFrame::Box);
    m_picture->setLineWidth(1);
    m_picture->move(units.X(7), units.Y(10));
    m_picture->setPixmap(QPixmap(QStringLiteral(":/bitmaps/136.bmp")));
    m_picture->adjustSize();
    // Esc is the stop button's key, wherever the focus is. A dialog takes it for closing the
    // whole tutor, and with the focus in the page it would not reach the window at all.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, [this] {
        if (const QWidget* stop = FindControl(this, kStopButton); stop && stop->isEnabled()) {
            m_view.StopCommand();
        }
    });
}

CTutorDlg::~CTutorDlg() {
    m_picture->clear();
    m_hRestPicture = QPixmap();
}

bool CTutorDlg::Create() {
    Initialize();
    show();
    return true;
}

void CTutorDlg::done(int result) {
    // A line still being spoken holds the event loop in its wait until it has played to the end;
    // closing ends it, and any study mode, first.
    if (m_view.IsCreated()) {
        m_view.StopStudy();
    }
    QDialog::done(result);
}

int CTutorDlg::DoModal() {
    Initialize();
    return exec();
}

void CTutorDlg::Initialize() {
    if (created_) {
        return;
    }
    created_ = true;
    OnInitDialog();
}

void CTutorDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Under a window manager the frame is known only once the window is exposed in it.
    if (!placed_) {
        windowHandle()->installEventFilter(this);
    }
}

bool CTutorDlg::eventFilter(QObject* watched, QEvent* e) {
    if (!placed_ && watched == windowHandle() && e->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        FinishPlacement();
    }
    return QDialog::eventFilter(watched, e);
}

void CTutorDlg::FinishPlacement() {
    placed_ = true;
    windowHandle()->removeEventFilter(this);
    if (const std::optional<QRect> restore = std::exchange(pendingRestore_, std::nullopt)) {
        // The stored rectangle is the frame's: the client gets what the frame leaves of it.
        const QSize decoration = frameGeometry().size() - size();
        resize(restore->size() - decoration);
        move(restore->topLeft());
    }
    StoreWindowRect();
}

bool CTutorDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);
    m_view.Create(this);

    TutorSettings& settings = m_view.m_settings;
    if (const std::optional<QRect> rc = RestorableRect(settings.rcWindow)) {
        // Taken as the client's rectangle until the frame is known.
        pendingRestore_ = rc;
        move(rc->topLeft());
        resize(rc->size());
    }
    const int cw = width();
    const int ch = height();
    LoadRestPicture();
    const int x0 = settings.bShowMouth ? m_nStripWidth : 0;
    m_picture->setVisible(settings.bShowMouth != 0);
    m_view.setGeometry(x0, kViewTop, cw - x0, std::max(0, ch - kViewBottomMargin));
    m_view.show();
    LayoutButtons(cw, ch);
    m_view.PlayTitleSound();
    if (settings.rcWindow.right == 0) {
        settings.rcWindow.right = 300;
    }
    m_view.m_role1.MoveTo(static_cast<std::int16_t>(settings.rcWindow.right - 100),
                          static_cast<std::int16_t>(settings.rcWindow.top), 20);
    return true;
}

void CTutorDlg::LayoutButtons(int cx, int cy) {
    int x = 100;
    int rowWidth = 0;
    for (const ButtonTemplate& templ : kButtons) {
        QWidget* button = FindControl(this, templ.id);
        if (!button) {
            continue;
        }
        const int w = button->width();
        const int h = button->height();
        // The row is centred, each button counted with the gap after it.
        if (templ.id == kButtons.front().id) {
            x = (cx - static_cast<int>(kButtons.size()) * (w + kButtonGap)) / 2;
        }
        x = std::max(x, kMinimumRowStart);
        button->setGeometry(x, cy - kButtonRowFromBottom, w, h);
        x += w + kButtonGap;
        rowWidth += (rowWidth > 0 ? kButtonGap : 0) + w;
    }
    // Narrower, the row would run off the edge: keep its margin on both sides.
    setMinimumSize(rowWidth + 2 * kMinimumRowStart, kViewTop + kViewBottomMargin);
}

void CTutorDlg::LoadRestPicture() {
    ForEachCourseViseme([this](const VisemeLine& line) {
        if (line.number != kRestPictureId) {
            return true;
        }
        const QPixmap picture = LoadCourseBitmap(line.file);
        if (!picture.isNull()) {
            m_hRestPicture = picture;
            m_nStripWidth = picture.width() + 20;
            m_picture->setPixmap(picture);
            m_picture->adjustSize();
        }
        return false;
    });
}

bool CTutorDlg::PreTranslateMessage(QEvent* message) {
    if (message->type() == kVoiceNotificationEvent) {
        m_view.PreTranslateMessage(message);
    }
    return false;
}

void CTutorDlg::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    OnSize(e->size().width(), e->size().height());
}

void CTutorDlg::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    OnMove();
}

void CTutorDlg::OnSize(int cx, int cy) {
    const TutorSettings& settings = m_view.m_settings;
    m_picture->setVisible(settings.bShowMouth != 0);
    const int x0 = settings.bShowMouth ? m_nStripWidth : 0;
    if (m_view.IsCreated()) {
        StoreWindowRect();
        m_view.setGeometry(x0, kViewTop, cx - x0, std::max(0, cy - kViewBottomMargin));
    }
    LayoutButtons(cx, cy);
}

void CTutorDlg::OnMove() {
    if (m_view.IsCreated()) {
        StoreWindowRect();
    }
}

void CTutorDlg::StoreWindowRect() {
    if (!placed_) {
        return;
    }
    const QRect frame = frameGeometry();
    m_view.m_settings.rcWindow = {frame.left(), frame.top(), frame.left() + frame.width(),
                                  frame.top() + frame.height()};
}

std::optional<QRect> CTutorDlg::RestorableRect(const WindowRect& rc) const {
    // The file is not range-checked: compute in 64 bits so no stored value can overflow.
    const std::int64_t width = std::int64_t{rc.right} - rc.left;
    const std::int64_t height = std::int64_t{rc.bottom} - rc.top;
    // A degenerate rectangle, such as the one a run that never moved the window leaves
    // behind, or one on no screen, would hide the window: keep the template placement then.
    if (width < 100 || height < 100) {
        return std::nullopt;
    }
    // No screen is 2^24 pixels wide; clamping there keeps QRect's own arithmetic in range.
    auto coordinate = [](std::int64_t value) {
        return static_cast<int>(
            std::clamp<std::int64_t>(value, -kCoordinateLimit, kCoordinateLimit));
    };
    const QRect wanted(
        QPoint(coordinate(rc.left), coordinate(rc.top)),
        QPoint(coordinate(std::int64_t{rc.right} - 1), coordinate(std::int64_t{rc.bottom} - 1)));
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect available = screen->availableGeometry();
        if (available.intersected(wanted).width() < 50) {
            continue;
        }
        // The position stays; a size beyond the screen would cost memory for pixels nobody can
        // see (a stored 32767 x 32767 window takes gigabytes), so it shrinks to the free area.
        return QRect(wanted.topLeft(), wanted.size().boundedTo(available.size()));
    }
    return std::nullopt;
}
