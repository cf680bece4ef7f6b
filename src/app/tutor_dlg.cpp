#include "app/tutor_dlg.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMoveEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <array>

#include "platform/files/files.h"
#include "platform/sound/sound_player.h"
#include "platform/window/dialog_controls.h"
#include "speech/viseme_table.h"
#include "view/command_ids.h"

namespace {

struct ButtonTemplate {
    int id;
    const char* caption;
    int x;
};

// Template 102's command buttons in the order they are laid out, left to right.
constexpr std::array<ButtonTemplate, 7> kButtons{{
    {kReadAlongButton, "跟读", 7},
    {kRepeatButton, "重复", 63},
    {kDictationButton, "听写", 120},
    {kPreviousButton, "上一句", 177},
    {kNextButton, "下一句", 235},
    {kReadAloudButton, "朗读", 293},
    {kStopButton, "停止", 351},
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

}  // namespace

CTutorDlg::CTutorDlg(const PlatformServices& services)
    : m_view(services), m_hIcon(QStringLiteral(":/icons/quorvan.svg")), m_services(services) {
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
    }
    m_picture = new QLabel(this);
    SetControlId(m_picture, kPictureControl);
    m_picture->setFrameShape(QFrame::Box);
    m_picture->setLineWidth(1);
    m_picture->move(units.X(7), units.Y(10));
    m_picture->setPixmap(QPixmap(QStringLiteral(":/bitmaps/136.bmp")));
    m_picture->adjustSize();
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

int CTutorDlg::DoModal() {
    Initialize();
    return exec();
}

void CTutorDlg::Initialize() {
    if (m_bCreated)
        return;
    m_bCreated = true;
    OnInitDialog();
}

void CTutorDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // A stored rectangle is the outer frame, whose size is known once the window shows.
    if (const std::optional<WindowRect> restore = std::exchange(m_pendingRestore, std::nullopt)) {
        const WindowRect rc = *restore;
        const QSize frame = frameGeometry().size() - size();
        move(rc.left, rc.top);
        resize(rc.right - rc.left - frame.width(), rc.bottom - rc.top - frame.height());
    }
}

bool CTutorDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);
    m_view.Create(this);

    TutorSettings& settings = m_view.m_settings;
    if (IsRestorable(settings.rcWindow)) {
        m_pendingRestore = settings.rcWindow;
        const WindowRect& rc = settings.rcWindow;
        move(rc.left, rc.top);
        resize(rc.right - rc.left, rc.bottom - rc.top);
    }
    const int cw = width();
    const int ch = height();
    LoadRestPicture();
    const int x0 = settings.bShowMouth ? m_nStripWidth : 0;
    m_picture->setVisible(settings.bShowMouth != 0);
    m_view.setGeometry(x0, kViewTop, cw - x0, std::max(0, ch - kViewBottomMargin));
    m_view.show();
    LayoutButtons(cw, ch);
    m_services.sound->PlayLooping(CLessonView::kTitleSound);
    if (settings.rcWindow.right == 0)
        settings.rcWindow.right = 300;
    return true;
}

void CTutorDlg::LayoutButtons(int cx, int cy) {
    int x = 100;
    for (const ButtonTemplate& templ : kButtons) {
        QWidget* button = FindControl(this, templ.id);
        if (!button)
            continue;
        const int w = button->width();
        const int h = button->height();
        // The row of seven is centred, each button counted with the gap after it.
        if (templ.id == kButtons.front().id)
            x = (cx - 7 * (w + kButtonGap)) / 2;
        x = std::max(x, kMinimumRowStart);
        button->setGeometry(x, cy - kButtonRowFromBottom, w, h);
        x += w + kButtonGap;
    }
}

void CTutorDlg::LoadRestPicture() {
    const ScopedCurrentDirectory visemeDirectory(NativePath(CurrentDirectory() + "\\Viseme\\"));
    const std::optional<std::string> table = ReadWholeFile("viseme.idx");
    if (!table)
        return;
    for (const VisemeLine& line : ParseVisemeTable(*table)) {
        if (line.number != kRestPictureId)
            continue;
        QPixmap picture(QString::fromStdString(NativePath(line.file)));
        if (!picture.isNull()) {
            m_hRestPicture = picture;
            m_nStripWidth = picture.width() + 20;
            m_picture->setPixmap(picture);
            m_picture->adjustSize();
        }
        break;
    }
}

bool CTutorDlg::PreTranslateMessage(QEvent* message) {
    if (message->type() == kVoiceNotificationEvent)
        m_view.PreTranslateMessage(message);
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
    if (m_view.IsCreated())
        StoreWindowRect();
}

void CTutorDlg::StoreWindowRect() {
    const QRect frame = frameGeometry();
    m_view.m_settings.rcWindow = {frame.left(), frame.top(), frame.left() + frame.width(),
                                  frame.top() + frame.height()};
}

bool CTutorDlg::IsRestorable(const WindowRect& rc) const {
    // A degenerate rectangle, such as the one a run that never moved the window leaves
    // behind, or one on no screen, would hide the window: keep the template placement then.
    if (rc.right - rc.left < 100 || rc.bottom - rc.top < 100)
        return false;
    const QRect wanted(QPoint(rc.left, rc.top), QPoint(rc.right - 1, rc.bottom - 1));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersected(wanted).width() >= 50)
            return true;
    }
    return false;
}
