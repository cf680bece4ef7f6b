#include "view/settings_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <array>
#include <charconv>

#include "character/character_discovery.h"
#include "platform/codepage.h"
#include "platform/messagebox/message_box.h"
#include "platform/window/dialog_controls.h"
#include "settings/tutor_settings.h"
#include "view/copyright_page.h"

namespace {

using enum CSettingsDlg::ControlId;

enum class Kind { kDefaultButton, kButton, kGroup, kLabel, kList, kEdit, kCheck };

struct ControlTemplate {
    int id;  // 0: a control nobody addresses
    Kind kind;
    const char* text;
    int x, y, width, height;
};

// Template 132, in dialog units; the lists' height is that of their open list.
constexpr std::array<ControlTemplate, 23> kTemplate{{
    {kOk, Kind::kDefaultButton, "确定", 237, 7, 50, 14},
    {kCancel, Kind::kButton, "取消", 237, 83, 50, 14},
    {0, Kind::kGroup, " 选择角色", 7, 7, 202, 32},
    {0, Kind::kLabel, "角色1：", 15, 20, 33, 8},
    {kRole1, Kind::kList, "", 49, 17, 59, 67},
    {0, Kind::kLabel, "角色2：", 111, 20, 33, 8},
    {kRole2, Kind::kList, "", 145, 17, 59, 67},
    {0, Kind::kLabel, "选择语速", 7, 46, 37, 8},
    {kRate, Kind::kList, "", 49, 45, 59, 58},
    {0, Kind::kLabel, "重播次数", 121, 48, 37, 8},
    {kReplay, Kind::kEdit, "", 158, 46, 46, 12},
    {0, Kind::kLabel, "句子间隔", 7, 70, 37, 8},
    {kInterval, Kind::kEdit, "", 49, 68, 39, 12},
    {0, Kind::kLabel, "秒", 93, 71, 12, 8},
    {kShowPhonetic, Kind::kCheck, "显示Quorvan", 7, 94, 64, 10},
    {kShowChinese, Kind::kCheck, "显示中文", 90, 94, 48, 10},
    {kShowMouth, Kind::kCheck, "显示口形图", 166, 94, 56, 10},
    {kShowBalloon, Kind::kCheck, "显示汽泡", 7, 111, 48, 10},
    {kChineseBalloon, Kind::kCheck, "显示中文汽泡", 90, 111, 64, 10},
    {kSpeakChinese, Kind::kCheck, "中文发音", 166, 111, 48, 10},
    {kDefaults, Kind::kButton, "默认值", 237, 26, 50, 14},
    {kCopyright, Kind::kButton, "版权页", 237, 64, 50, 14},
    {kKeepNoRecordings, Kind::kCheck, "不保存录音", 237, 111, 56, 10},
}};

// The client area: the controls' extent and a margin of the same 7 units as on the left.
constexpr int kTemplateWidth = 294;
constexpr int kTemplateHeight = 128;

constexpr std::array<const char*, 5> kRates{"低", "较低", "中", "较高", "高"};

// Tab order as a learner reads the dialog: the fields top to bottom, then the buttons.
constexpr std::array<int, 16> kTabOrder{
    kRole1,       kRole2,     kRate,        kReplay,         kInterval,     kShowPhonetic,
    kShowChinese, kShowMouth, kShowBalloon, kChineseBalloon, kSpeakChinese, kKeepNoRecordings,
    kOk,          kDefaults,  kCopyright,   kCancel};

// Whether `text` is a decimal int, as an edit's text may be read: blanks around it, a sign.
bool ParseInteger(const QString& text, int& value) {
    const std::string digits = text.trimmed().toStdString();
    const char* begin = digits.data();
    const char* end = begin + digits.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    const auto [stop, error] = std::from_chars(begin, end, value);
    return begin != end && error == std::errc() && stop == end;
}

// The file name of a character entry ("file@display name"); empty when it has no "@".
std::string EntryFile(const std::string& entry) {
    const std::size_t at = entry.find('@');
    return at == std::string::npos ? std::string() : entry.substr(0, at);
}

template <class Control>
Control* Find(const QWidget* dialog, int id) {
    return static_cast<Control*>(FindControl(dialog, id));
}

}  // namespace

CSettingsDlg::CSettingsDlg(int nRate, int nInterval, int nReplay, int bShowPhonetic,
                           int bShowChinese, int bShowBalloon, int bShowMouth, int bChineseBalloon,
                           int bSpeakChinese, std::string strRole1, std::string strRole2,
                           QWidget* parent, const PlatformServices& services)
    : QDialog(parent),
      m_nRate(nRate),
      m_nReplay(nReplay),
      m_nInterval(nInterval),
      m_bShowPhonetic(bShowPhonetic),
      m_bShowChinese(bShowChinese),
      m_bShowBalloon(bShowBalloon),
      m_strRole1(std::move(strRole1)),
      m_strRole2(std::move(strRole2)),
      m_bShowMouth(bShowMouth),
      m_bChineseBalloon(bChineseBalloon),
      m_bSpeakChinese(bSpeakChinese),
      services_(services) {
    setWindowTitle(QStringLiteral("Dialog"));
    const DialogUnits units(font());
    setFixedSize(units.Size(kTemplateWidth, kTemplateHeight));
    for (const ControlTemplate& control : kTemplate) {
        const QString text = QString::fromUtf8(control.text);
        QWidget* widget = nullptr;
        switch (control.kind) {
            case Kind::kDefaultButton:
            case Kind::kButton: {
                auto* button = new QPushButton(text, this);
                button->setDefault(control.kind == Kind::kDefaultButton);
                button->setAutoDefault(control.kind == Kind::kDefaultButton);
                widget = button;
                break;
            }
            case Kind::kGroup:
                widget = new QGroupBox(text, this);
                break;
            case Kind::kLabel:
                widget = new QLabel(text, this);
                break;
            case Kind::kList:
                widget = new QComboBox(this);
                break;
            case Kind::kEdit: {
                auto* edit = new QLineEdit(this);
                edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[0-9]*")), edit));
                widget = edit;
                break;
            }
            case Kind::kCheck:
                widget = new QCheckBox(text, this);
                break;
        }
        // A closed list is as high as its font needs; the template gives the open list.
        const int height =
            control.kind == Kind::kList ? widget->sizeHint().height() : units.Y(control.height);
        widget->setGeometry(units.X(control.x), units.Y(control.y), units.X(control.width), height);
        if (control.id != 0) {
            SetControlId(widget, control.id);
        }
    }
    for (std::size_t i = 1; i < kTabOrder.size(); ++i) {
        setTabOrder(FindControl(this, kTabOrder[i - 1]), FindControl(this, kTabOrder[i]));
    }
    rate_ = Find<QComboBox>(this, kRate);
    replay_ = Find<QLineEdit>(this, kReplay);
    interval_ = Find<QLineEdit>(this, kInterval);
    for (const char* rate : kRates) {
        rate_->addItem(QString::fromUtf8(rate));
    }

    connect(Find<QPushButton>(this, kOk), &QPushButton::clicked, this, &CSettingsDlg::accept);
    connect(Find<QPushButton>(this, kCancel), &QPushButton::clicked, this, &CSettingsDlg::reject);
    connect(Find<QPushButton>(this, kDefaults), &QPushButton::clicked, this,
            &CSettingsDlg::OnDefaults);
    connect(Find<QPushButton>(this, kCopyright), &QPushButton::clicked, this,
            &CSettingsDlg::OnCopyright);
    connect(Find<QComboBox>(this, kRole1), &QComboBox::activated, this,
            &CSettingsDlg::OnRole1Changed);
    connect(Find<QComboBox>(this, kRole2), &QComboBox::activated, this,
            &CSettingsDlg::OnRole2Changed);
    connect(rate_, &QComboBox::activated, this, &CSettingsDlg::OnControlChanged);
    connect(replay_, &QLineEdit::textEdited, this, &CSettingsDlg::OnControlChanged);
    connect(interval_, &QLineEdit::textEdited, this, &CSettingsDlg::OnControlChanged);
    for (const int id : {kShowPhonetic, kShowChinese, kShowMouth, kChineseBalloon, kSpeakChinese}) {
        connect(Find<QCheckBox>(this, id), &QCheckBox::clicked, this,
                &CSettingsDlg::OnControlChanged);
    }
    connect(Find<QCheckBox>(this, kShowBalloon), &QCheckBox::clicked, this,
            &CSettingsDlg::OnShowBalloon);
}

int CSettingsDlg::DoModal() {
    OnInitDialog();
    return exec();
}

CSettingsDlg::~CSettingsDlg() {
    stopReading_ = true;
    if (nameReader_.joinable()) {
        nameReader_.join();
    }
}

void CSettingsDlg::OnInitDialog() {
    UpdateData(false);
    Find<QCheckBox>(this, kChineseBalloon)->setEnabled(m_bShowBalloon != 0);
    // One search for both lists. The lists wait, disabled, for the names.
    std::vector<std::string> files;
    CharacterAgent* agent = services_.agent;
    if (!ListCharacterFiles(files, services_.messageBox, services_.characterFolder) ||
        agent == nullptr) {
        OnCharactersRead({});
        return;
    }
    Find<QComboBox>(this, kRole1)->setEnabled(false);
    Find<QComboBox>(this, kRole2)->setEnabled(false);
    nameReader_ = std::thread([this, agent, files = std::move(files)] {
        std::vector<std::string> entries = ReadCharacterEntries(*agent, files, &stopReading_);
        // Delivered on the dialog's thread; dropped with the dialog if it closed meanwhile.
        QMetaObject::invokeMethod(
            this,
            [this, entries = std::move(entries)]() mutable {
                OnCharactersRead(std::move(entries));
            },
            Qt::QueuedConnection);
    });
}

void CSettingsDlg::done(int result) {
    // Names are of no use once the dialog closes.
    stopReading_ = true;
    QDialog::done(result);
}

void CSettingsDlg::OnCharactersRead(std::vector<std::string> entries) {
    m_aCharacters = std::move(entries);
    FillCharacterCombo(kRole1, m_strRole1);
    FillCharacterCombo(kRole2, m_strRole2);
    Find<QComboBox>(this, kRole1)->setEnabled(true);
    Find<QComboBox>(this, kRole2)->setEnabled(true);
}

bool CSettingsDlg::UpdateData(bool bSaveAndValidate) {
    const std::array<std::pair<int, int*>, 7> checks{{{kShowPhonetic, &m_bShowPhonetic},
                                                      {kShowChinese, &m_bShowChinese},
                                                      {kShowBalloon, &m_bShowBalloon},
                                                      {kShowMouth, &m_bShowMouth},
                                                      {kChineseBalloon, &m_bChineseBalloon},
                                                      {kSpeakChinese, &m_bSpeakChinese},
                                                      {kKeepNoRecordings, &keepNoRecordings_}}};
    if (!bSaveAndValidate) {
        rate_->setCurrentIndex(m_nRate >= 0 && m_nRate < rate_->count() ? m_nRate : -1);
        replay_->setText(QString::number(m_nReplay));
        interval_->setText(QString::number(m_nInterval));
        for (const auto& [id, member] : checks) {
            Find<QCheckBox>(this, id)->setChecked(*member != 0);
        }
        return true;
    }
    m_nRate = rate_->currentIndex();
    if (!ReadInteger(replay_, m_nReplay) || !ReadInteger(interval_, m_nInterval)) {
        return false;
    }
    for (const auto& [id, member] : checks) {
        *member = Find<QCheckBox>(this, id)->isChecked() ? 1 : 0;
    }
    return true;
}

bool CSettingsDlg::ReadInteger(QLineEdit* edit, int& value) {
    if (ParseInteger(edit->text(), value)) {
        return true;
    }
    if (services_.messageBox != nullptr) {
        services_.messageBox->Show(this, windowTitle(), QStringLiteral("Please enter an integer."),
                                   MessageIcon::kWarning);
    }
    edit->setFocus();
    edit->selectAll();
    return false;
}

void CSettingsDlg::accept() {
    if (UpdateData(true)) {
        QDialog::accept();
    }
}

void CSettingsDlg::FillCharacterCombo(int id, const std::string& file) {
    auto* combo = Find<QComboBox>(this, id);
    for (const std::string& entry : m_aCharacters) {
        if (const std::size_t at = entry.find('@'); at != std::string::npos) {
            combo->addItem(QString::fromStdString(Cp936ToUtf8(entry.substr(at + 1))));
        }
    }
    int item = 0;
    for (const std::string& entry : m_aCharacters) {
        if (entry.find('@') == std::string::npos) {
            continue;
        }
        if (SameCharacterName(EntryFile(entry), file)) {
            combo->setCurrentIndex(item);
            return;
        }
        ++item;
    }
    combo->setCurrentIndex(-1);
}

void CSettingsDlg::TakeSelectedRole(int id, std::string& role) {
    const int selected = Find<QComboBox>(this, id)->currentIndex();
    if (selected < 0 || static_cast<std::size_t>(selected) >= m_aCharacters.size()) {
        return;
    }
    if (const std::string file = EntryFile(m_aCharacters[selected]); !file.empty()) {
        role = file;
    }
}

void CSettingsDlg::OnRole1Changed() {
    TakeSelectedRole(kRole1, m_strRole1);
}

void CSettingsDlg::OnRole2Changed() {
    TakeSelectedRole(kRole2, m_strRole2);
}

void CSettingsDlg::OnControlChanged() {
    UpdateData(true);
}

void CSettingsDlg::OnShowBalloon() {
    OnControlChanged();
    Find<QCheckBox>(this, kChineseBalloon)->setEnabled(m_bShowBalloon != 0);
}

void CSettingsDlg::OnDefaults() {
    rate_->setCurrentIndex(1);
    // Both edits change before they are read, so an edit the learner left empty does not bring
    // up the integer message on the way to the defaults.
    interval_->setText(QStringLiteral("5"));
    replay_->setText(QStringLiteral("2"));
    OnControlChanged();
    for (const int id : {kShowPhonetic, kShowChinese, kShowBalloon}) {
        Find<QCheckBox>(this, id)->setChecked(true);
    }
}

void CSettingsDlg::OnCopyright() {
    CopyrightPage page(this);
    page.exec();
}
