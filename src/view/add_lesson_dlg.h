#pragma once

#include <QDialog>
#include <functional>
#include <string>

class MessageBoxService;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The dialog in which the learner makes a lesson of a text of their own: a title and the text
// (typed or pasted; English lines, each optionally followed by its Chinese), OK and Cancel.
class AddLessonDlg : public QDialog {
    Q_OBJECT
  public:
    // Makes the lesson of the UTF-8 title and text; the reason for the learner when it cannot,
    // empty when it did.
    using Maker = std::function<std::string(const std::string& title, const std::string& text)>;

    AddLessonDlg(QWidget* parent, MessageBoxService* messageBox, Maker make);

    // Makes the lesson; on failure tells the learner why and stays open with the text.
    void accept() override;

  private:
    // Says how many characters of the text the course's code page cannot hold.
    void CountLostCharacters();

    MessageBoxService* messageBox_;
    Maker make_;
    QLineEdit* title_;
    QPlainTextEdit* text_;
    QLabel* lost_;
};
