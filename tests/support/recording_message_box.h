#pragma once

#include <QString>
#include <vector>

#include "platform/messagebox/message_box.h"

// Keeps every message instead of showing it, for tests; Show() returns at once, as if the user
// had pressed OK, and Ask() gives the answer set beforehand (Yes unless told otherwise). A
// question is kept as a message with the icon kNone.
class RecordingMessageBox final : public MessageBoxService {
  public:
    struct Message {
        QWidget* owner;
        QString caption;
        QString text;
        MessageIcon icon;

        bool operator==(const Message&) const = default;
    };

    void Show(QWidget* owner, const QString& caption, const QString& text,
              MessageIcon icon) override;
    bool Ask(QWidget* owner, const QString& caption, const QString& text) override;
    void SetAnswer(bool yes) { answer_ = yes; }

    // Every message shown, oldest first.
    const std::vector<Message>& Messages() const { return messages_; }

  private:
    std::vector<Message> messages_;
    bool answer_ = true;
};
