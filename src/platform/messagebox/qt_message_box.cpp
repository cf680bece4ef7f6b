#include "platform/messagebox/qt_message_box.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::kNone:
            return QMessageBox::NoIcon;
        case MessageIcon::kError:
            return QMessageBox::Critical;
        case MessageIcon::kInformation:
            return QMessageBox::Information;
        case MessageIcon::kWarning:
            return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void QtMessageBox::Show(QWidget* owner, const QString& caption, const QString& text,
                        MessageIcon icon) {
    QMessageBox box(QtIcon(icon), caption, text, QMessageBox::Ok, owner);
    // Messages may quote file names or lesson text; never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtMessageBox::Ask(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
