#pragma once

#include "platform/messagebox/message_box.h"

// QMessageBox, run modally.
class QtMessageBox final : public MessageBoxService {
  public:
    void Show(QWidget* owner, const QString& caption, const QString& text,
              MessageIcon icon) override;
    bool Ask(QWidget* owner, const QString& caption, const QString& text) override;
};
