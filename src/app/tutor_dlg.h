#pragma once

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <optional>

#include "platform/events/voice_notification.h"
#include "view/lesson_view.h"
#include "view/platform_services.h"

class QLabel;

// The main window: the lesson view, the row of command buttons below it and the mouth picture
// at the top left.
class CTutorDlg : public MessageFilterHost<QDialog> {
    Q_OBJECT
  public:
    static constexpr int kPictureControl = 1018;

    explicit CTutorDlg(const PlatformServices& services);
    ~CTutorDlg() override;

    // Creates the window and its children and shows it, without entering the modal loop.
    bool Create();
    int DoModal();

    void LayoutButtons(int cx, int cy);
    void LoadRestPicture();
    bool PreTranslateMessage(QEvent* message) override;
    void done(int result) override;

    CLessonView m_view;
    int m_nStripWidth = 50;
    QPixmap m_hRestPicture;
    QIcon m_hIcon;
    QLabel* m_picture = nullptr;

  protected:
    bool OnInitDialog();
    void OnSize(int cx, int cy);
    void OnMove();
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void Initialize();
    void StoreWindowRect();
    // The rectangle to restore a stored one as, or nothing to keep the template placement.
    std::optional<QRect> RestorableRect(const WindowRect& rc) const;
    // Once the window is on the screen in its frame: gives the frame the stored rectangle.
    void FinishPlacement();

    bool created_ = false;
    // The stored rectangle to apply once the frame's size is known.
    std::optional<QRect> pendingRestore_;
    // Until the window is on the screen, its moves and resizes are the window manager's framing
    // and placing, not the learner's choice, and are not stored.
    bool placed_ = false;
};
