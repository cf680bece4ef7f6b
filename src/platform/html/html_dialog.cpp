#include "platform/html/html_dialog.h"

#include "platform/log/log.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QVBoxLayout>
#include <cstdio>

#include "platform/files/files.h"

HtmlDialog::HtmlDialog(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

HtmlDialog::~HtmlDialog() = default;

void HtmlDialog::SetRenderer(std::unique_ptr<PageRenderer> renderer) {
    renderer_ = std::move(renderer);
    if (QWidget* widget = renderer_->Widget()) {
        layout()->addWidget(widget);
    }
}

void HtmlDialog::LoadFromResource(int resourceId) {
    QFile file(QStringLiteral(":/html/%1.html").arg(resourceId));
    QByteArray html;
    if (file.open(QIODevice::ReadOnly)) {
        html = file.readAll();
    } else {
        LogLine("missing page resource " + file.fileName().toStdString() + ": " +
                file.errorString().toStdString());
    }
    resource_ = resourceId;
    mirror_.Load(std::string_view(html.constData(), static_cast<size_t>(html.size())));
    ++generation_;
    if (renderer_) {
        renderer_->LoadDocument(generation_, mirror_.Serialize(), CurrentDirectory());
    }
}

HtmlDialog::Handle HtmlDialog::GetElement(std::string_view id) const {
    return mirror_.FindById(id);
}

bool HtmlDialog::HasElement(Handle element) const {
    return element != 0 && mirror_.Contains(element);
}

std::string HtmlDialog::GetElementText(Handle element) const {
    return HasElement(element) ? mirror_.InnerText(element) : std::string();
}

void HtmlDialog::SetElementHtml(Handle element, std::string_view html) {
    if (!HasElement(element)) {
        return;
    }
    mirror_.SetInnerHtml(element, html);
    if (renderer_) {
        renderer_->ReplaceChildren(element, mirror_.SerializeChildren(element));
    }
}

std::string HtmlDialog::GetElementStyle(Handle element, std::string_view property) const {
    return HasElement(element) ? mirror_.Style(element, property) : std::string();
}

void HtmlDialog::SetElementStyle(Handle element, std::string_view property,
                                 std::string_view value) {
    if (!HasElement(element)) {
        return;
    }
    mirror_.SetStyle(element, property, value);
    if (renderer_) {
        renderer_->SetStyle(element, std::string(property), std::string(value));
    }
}

void HtmlDialog::SetElementColor(Handle element, int rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(rgb) & 0xFFFFFFu);
    SetElementStyle(element, "color", text);
}

void HtmlDialog::SetElementCursor(Handle element, std::string_view cursor) {
    // "hand" is the older name of the pointing-hand cursor.
    SetElementStyle(element, "cursor", cursor == "hand" ? "pointer" : cursor);
}

void HtmlDialog::ScrollElementIntoView(Handle element) {
    if (HasElement(element) && renderer_) {
        renderer_->ScrollIntoView(element);
    }
}

int HtmlDialog::GetSelectedIndex(std::string_view id) const {
    const Handle select = mirror_.FindById(id);
    return select ? mirror_.SelectedIndex(select) : -1;
}

void HtmlDialog::OnRendererDocumentReady(int generation) {
    if (generation != generation_) {
        return;
    }
    OnDocumentComplete();
    emit DocumentCompleted();
}

void HtmlDialog::OnRendererEvent(PageEventType type, Handle element, int selectedIndex) {
    if (!HasElement(element)) {
        return;
    }
    if (selectedIndex >= 0 && mirror_.TagName(element) == "select") {
        mirror_.SetSelectedIndex(element, selectedIndex);
    }
    const std::vector<int> handlers = MatchEventTable(
        EventTable(), type, mirror_.Attribute(element, "class"), mirror_.Attribute(element, "id"));
    for (int handler : handlers) {
        // A handler may load another page; the element then no longer exists.
        if (!HasElement(element)) {
            break;
        }
        OnPageEvent(handler, element);
    }
}

void HtmlDialog::OnRendererContextMenu(QPoint globalPos) {
    ShowContextMenu(globalPos);
}

WaitCursor::WaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
    QApplication::restoreOverrideCursor();
}
