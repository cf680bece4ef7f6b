#pragma once

#include <QWidget>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/html/event_table.h"
#include "platform/html/page_mirror.h"
#include "platform/html/page_renderer.h"

// A dialog whose client area is an HTML page. The program reads the page synchronously from
// the mirror; every write goes to the mirror first and then, in order, to the renderer, so
// what the learner sees always agrees with what the program reads. Page strings are UTF-8.
class HtmlDialog : public QWidget, public PageRendererClient {
    Q_OBJECT
  public:
    using Handle = PageMirror::Handle;

    explicit HtmlDialog(QWidget* parent = nullptr);
    ~HtmlDialog() override;

    // Takes the renderer that shows the pages; called once, before the first load.
    void SetRenderer(std::unique_ptr<PageRenderer> renderer);

    // Loads page resource `resourceId` (":/html/<id>.html"). Asynchronous: OnDocumentComplete
    // runs once the renderer has the page. A newer load supersedes one still in progress.
    void LoadFromResource(int resourceId);
    int LoadedResource() const { return resource_; }

    Handle GetElement(std::string_view id) const;
    bool HasElement(Handle element) const;
    std::string GetElementText(Handle element) const;
    void SetElementHtml(Handle element, std::string_view html);
    std::string GetElementStyle(Handle element, std::string_view property) const;
    void SetElementStyle(Handle element, std::string_view property, std::string_view value);
    // Colour as the integer 0xRRGGBB the page reads as #RRGGBB.
    void SetElementColor(Handle element, int rgb);
    // Cursor names as the pages use them; "hand" is the pointing hand.
    void SetElementCursor(Handle element, std::string_view cursor);
    // Brings the element wholly into view, smoothly, with a margin of one of its lines; a page that
    // already shows it wholly stays where it is.
    void ScrollElementIntoView(Handle element);
    // Selected position of the SELECT with this id, or -1 when there is none.
    int GetSelectedIndex(std::string_view id) const;

    const PageMirror& Mirror() const { return mirror_; }

    // What the renderer reports; tests drive the dialog through these too.
    void OnRendererDocumentReady(int generation) override;
    void OnRendererEvent(PageEventType type, Handle element, int selectedIndex) override;
    void OnRendererContextMenu(QPoint globalPos) override;

  signals:
    // After the dialog has handled a document's completion.
    void DocumentCompleted();

  protected:
    virtual void OnDocumentComplete() {}
    virtual void ShowContextMenu(QPoint globalPos) { Q_UNUSED(globalPos); }
    virtual std::span<const EventTableEntry> EventTable() const { return {}; }
    // Runs the handler that an event-table entry names, with the element that raised the event.
    virtual void OnPageEvent(int handler, Handle element) {
        Q_UNUSED(handler);
        Q_UNUSED(element);
    }

  private:
    PageMirror mirror_;
    std::unique_ptr<PageRenderer> renderer_;
    int generation_ = 0;
    int resource_ = 0;
};

// Shows the busy cursor for its lifetime; nests.
class WaitCursor {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
