#include "view/add_lesson_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "content/own_lesson.h"
#include "platform/messagebox/message_box.h"

AddLessonDlg::AddLessonDlg(QWidget* parent, MessageBoxService* messageBox, Maker make)
    : QDialog(parent),
      messageBox_(messageBox),
      make_(std::move(make)),
      title_(new QLineEdit(this)),
      text_(new QPlainTextEdit(this)),
      lost_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("添加课文"));
    title_->setMaxLength(static_cast<int>(kMaxOwnTitleChars));
    text_->setPlaceholderText(
        QStringLiteral("每行一句英文，下一行可以写它的中文。空一行开始新的一节。"));
    text_->setTabChangesFocus(true);
    lost_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("标题："), title_);
    layout->addRow(QStringLiteral("课文："), text_);
    layout->addRow(lost_);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &AddLessonDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AddLessonDlg::reject);
    connect(text_, &QPlainTextEdit::textChanged, this, &AddLessonDlg::CountLostCharacters);
    resize(520, 420);
}

void AddLessonDlg::CountLostCharacters() {
    const std::string text = text_->toPlainText().toStdString();
    if (text.size() > kMaxOwnLessonText) {
        lost_->setText(QStringLiteral("课文太长了：最多 200 KB。"));
        return;
    }
    const int lost = CountUnholdable(text);
    lost_->setText(lost > 0 ? QStringLiteral("有 %1 个字符无法保存，将换成“?”。").arg(lost)
                            : QString());
}

void AddLessonDlg::accept() {
    const std::string reason =
        make_(title_->text().toStdString(), text_->toPlainText().toStdString());
    if (reason.empty()) {
        QDialog::accept();
        return;
    }
    if (messageBox_ != nullptr) {
        messageBox_->Show(this, windowTitle(), QString::fromStdString(reason),
                          MessageIcon::kWarning);
    }
}
