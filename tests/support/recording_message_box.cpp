#include "support/recording_message_box.h"

void RecordingMessageBox::Show(QWidget* owner, const QString& caption, const QString& text,
                               MessageIcon icon) {
    messages_.push_back({owner, caption, text, icon});
}

bool RecordingMessageBox::Ask(QWidget* owner, const QString& caption, const QString& text) {
    messages_.push_back({owner, caption, text, MessageIcon::kNone});
    return answer_;
}
