#pragma once

#include <QDialog>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "view/platform_services.h"

class QComboBox;
class QLineEdit;

// The settings dialog: the characters of both roles, the speed, the replay count, the pause and
// the display and speech switches. It edits its own members only; whoever runs it takes them
// over on OK. File names are in the program's code page.
class CSettingsDlg : public QDialog {
    Q_OBJECT
  public:
    // The dialog's controls, by the ids they are found by.
    enum ControlId : int {
        kOk = 1,
        kCancel = 2,
        kRole1 = 1008,
        kRole2 = 1009,
        kRate = 1010,
        kReplay = 1011,
        kInterval = 1012,
        kShowPhonetic = 1013,
        kShowChinese = 1014,
        kShowBalloon = 1015,
        kDefaults = 1016,
        kShowMouth = 1017,
        kChineseBalloon = 1019,
        kSpeakChinese = 1020,
        kCopyright = 1021,
        // The speaking practice keeps scores only: a switch of the learner's, kept outside the
        // settings file.
        kKeepNoRecordings = 1022,
    };

    CSettingsDlg(int nRate, int nInterval, int nReplay, int bShowPhonetic, int bShowChinese,
                 int bShowBalloon, int bShowMouth, int bChineseBalloon, int bSpeakChinese,
                 std::string strRole1, std::string strRole2, QWidget* parent,
                 const PlatformServices& services);
    ~CSettingsDlg() override;

    // Runs the dialog modally: QDialog::Accepted for OK, QDialog::Rejected otherwise.
    int DoModal();

    int m_nRate;
    int m_nReplay;
    int m_nInterval;
    int m_bShowPhonetic;
    int m_bShowChinese;
    int m_bShowBalloon;
    std::string m_strRole1;
    std::string m_strRole2;
    std::vector<std::string> m_aCharacters;
    int m_bShowMouth;
    int m_bChineseBalloon;
    int m_bSpeakChinese;

    // Reads the controls into the members (or, without `bSaveAndValidate`, puts the members into
    // them); false, after telling the learner, when an edit does not hold an integer.
    bool UpdateData(bool bSaveAndValidate);
    void accept() override;
    // The practice's switch: shown by the next DoModal, read after it.
    void SetKeepNoRecordings(bool on) { keepNoRecordings_ = on ? 1 : 0; }
    bool KeepNoRecordings() const { return keepNoRecordings_ != 0; }
    void done(int result) override;

  protected:
    void OnInitDialog();
    void FillCharacterCombo(int id, const std::string& file);
    void OnRole1Changed();
    void OnRole2Changed();
    void OnControlChanged();
    void OnShowBalloon();
    void OnDefaults();
    void OnCopyright();

  private:
    // Reads an edit's decimal integer into `value`; false, after the message, when it is none.
    bool ReadInteger(QLineEdit* edit, int& value);
    // Takes the role file of the selected entry of combo `id`, if it names one.
    void TakeSelectedRole(int id, std::string& role);
    // Shows the character entries read aside in both role lists.
    void OnCharactersRead(std::vector<std::string> entries);

    const PlatformServices& services_;
    QComboBox* rate_;
    QLineEdit* replay_;
    QLineEdit* interval_;
    // Reads the characters' names while the dialog is up: a folder of large character files
    // would otherwise keep it from opening for seconds.
    std::thread nameReader_;
    std::atomic<bool> stopReading_{false};
    int keepNoRecordings_ = 0;
};
