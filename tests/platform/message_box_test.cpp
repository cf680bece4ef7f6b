#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

#include "platform/messagebox/qt_message_box.h"

namespace {

// What the box looked like while it was up.
struct Seen {
    QWidget* parent;
    QString caption;
    QString text;
    QMessageBox::Icon icon;
    Qt::TextFormat format;
    QMessageBox::StandardButtons buttons;
    bool modal;
};

// Shows one message and closes it with its OK button from inside its modal loop.
std::optional<Seen> ShowAndPressOk(QWidget* owner, const QString& caption, const QString& text,
                                   MessageIcon icon) {
    std::optional<Seen> seen;
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        seen = Seen{box->parentWidget(), box->windowTitle(),     box->text(),   box->icon(),
                    box->textFormat(),   box->standardButtons(), box->isModal()};
        box->button(QMessageBox::Ok)->click();
    });
    presser.start(10);
    QtMessageBox().Show(owner, caption, text, icon);
    return seen;
}

TEST(QtMessageBoxTest, ShowsAModalBoxWithOnlyOkAndReturnsWhenItIsPressed) {
    QWidget owner;
    owner.show();
    const auto seen =
        ShowAndPressOk(&owner, "Quorvan", "Failed in init TTS!", MessageIcon::kWarning);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->parent, &owner);
    EXPECT_EQ(seen->caption, "Quorvan");
    EXPECT_EQ(seen->text, "Failed in init TTS!");
    EXPECT_EQ(seen->icon, QMessageBox::Warning);
    EXPECT_EQ(seen->buttons, QMessageBox::Ok);
    EXPECT_TRUE(seen->modal);
}

TEST(QtMessageBoxTest, IconsAndPlainTextWithoutOwner) {
    const std::vector<std::pair<MessageIcon, QMessageBox::Icon>> icons = {
        {MessageIcon::kNone, QMessageBox::NoIcon},
        {MessageIcon::kError, QMessageBox::Critical},
        {MessageIcon::kInformation, QMessageBox::Information},
        {MessageIcon::kWarning, QMessageBox::Warning}};
    for (const auto& [icon, qtIcon] : icons) {
        const QString text = QString::fromUtf8("找不到课文索引 <b>cntindex.idx</b>");
        const auto seen = ShowAndPressOk(nullptr, "Error", text, icon);
        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->parent, nullptr);
        EXPECT_EQ(seen->icon, qtIcon);
        EXPECT_EQ(seen->text, text);
        EXPECT_EQ(seen->format, Qt::PlainText);
    }
}

}  // namespace
