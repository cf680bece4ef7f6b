#pragma once

#include <QString>

class QWidget;

enum class MessageIcon { kNone, kError, kInformation, kWarning };

// A modal message with one OK button. Text is plain text (no markup is interpreted); the program
// converts its CP936 strings at the call. Show() returns when the user has closed the box; events
// keep being dispatched meanwhile (a nested event loop). A null owner makes the box modal to the
// whole application. GUI thread only.
class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;

    virtual void Show(QWidget* owner, const QString& caption, const QString& text,
                      MessageIcon icon) = 0;
    // A question with the buttons Yes and No (No the default): true when the user chose Yes.
    virtual bool Ask(QWidget* owner, const QString& caption, const QString& text) = 0;
};
