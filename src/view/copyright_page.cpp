#include "view/copyright_page.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtGlobal>

namespace {

struct Component {
    const char* name;
    const char* use;
    const char* licence;
};

// What the program links or loads at run time, and under which licence each comes.
constexpr Component kComponents[] = {
    {"Qt 6 (Core, Gui, Widgets, Multimedia, Svg, WebChannel)", "窗口、声音输出、图片",
     "GNU LGPL 3.0"},
    {"Qt WebEngine (Chromium)", "课文页面", "GNU LGPL 3.0；Chromium 部分为 BSD 等许可"},
    {"flite（cmu_us_rms 语音）", "英语语音", "类 BSD 许可（Carnegie Mellon University）"},
    {"eSpeak NG 及其语音数据", "汉语语音", "GNU GPL 3.0 或更新版本"},
    {"gumbo", "读取页面", "Apache License 2.0"},
    {"libsndfile", "读取录音", "GNU LGPL 2.1 或更新版本"},
    {"libsoxr", "声音重采样", "GNU LGPL 2.1 或更新版本"},
    {"GNU C Library（iconv）", "GB2312/GBK 文字转换", "GNU LGPL 2.1 或更新版本"},
};

QString PageHtml() {
    QString html = QStringLiteral(
                       "<h2>Quorvan %1</h2>"
                       "<p>英语口语学习软件：角色朗读课文，英文用英语语音，中文用汉语语音，"
                       "音标用录音。</p>"
                       "<p>程序、角色“胡图老师”和“小宝”、图片、声音和示例课程：Quorvan "
                       "开发者。</p>"
                       "<p>Quorvan 是自由软件，按 GNU GPL 3.0 或更新版本发布（它使用 eSpeak "
                       "NG，须同样以 GPL 发布）。本软件不提供任何担保。</p>"
                       "<h3>使用的软件库和语音</h3><table cellpadding=\"3\">"
                       "<tr><th align=\"left\">组件</th><th align=\"left\">用途</th>"
                       "<th align=\"left\">许可</th></tr>")
                       .arg(QStringLiteral(QUORVAN_VERSION));
    for (const Component& component : kComponents) {
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                    .arg(QString::fromUtf8(component.name), QString::fromUtf8(component.use),
                         QString::fromUtf8(component.licence));
    }
    html += QStringLiteral(
                "</table><p>本机 Qt 版本：%1。各许可证全文见系统目录 "
                "/usr/share/common-licenses 及各软件包的 copyright 文件。</p>")
                .arg(QString::fromLatin1(qVersion()));
    return html;
}

}  // namespace

CopyrightPage::CopyrightPage(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("版权页"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QTextBrowser(this);
    text->setHtml(PageHtml());
    text->setOpenLinks(false);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    // The whole page fits without scrolling in the program's font.
    resize(620, 600);
}
