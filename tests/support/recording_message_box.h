#pragma once

#include <QString>
#include <vector>

#include "platform/messagebox/message_box.h"

// Keeps every message instead of showing it, for tests; Show() returns at once, as if the user
// had pressed OK.
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

    // Every message shown, oldest first.
    const std::vector<Message>& Messages() const { return messages_; }

  private:
    std::vector<Message> messages_;
};
