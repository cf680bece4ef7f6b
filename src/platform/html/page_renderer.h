#pragma once

#include <QPoint>
#include <string>

#include "platform/html/event_table.h"
#include "platform/html/page_mirror.h"

class QWidget;

// What a renderer reports back to the dialog that owns it. Calls arrive on the GUI thread.
class PageRendererClient {
  public:
    virtual ~PageRendererClient() = default;
    // The document of the load numbered `generation` is ready for changes.
    virtual void OnRendererDocumentReady(int generation) = 0;
    // An element raised an event; `selectedIndex` is its selection when it is a SELECT, else -1.
    virtual void OnRendererEvent(PageEventType type, PageMirror::Handle element,
                                 int selectedIndex) = 0;
    virtual void OnRendererContextMenu(QPoint globalPos) = 0;
};

// Shows the mirror's document. It never decides anything: every change arrives as the mirror's
// own serialization or as a single property write addressed by element handle.
class PageRenderer {
  public:
    virtual ~PageRenderer() = default;
    // The widget to place in the dialog, or null when nothing is shown.
    virtual QWidget* Widget() = 0;
    // Starts loading a whole document; `baseDirectory` resolves relative names in it.
    virtual void LoadDocument(int generation, const std::string& html,
                              const std::string& baseDirectory) = 0;
    virtual void ReplaceChildren(PageMirror::Handle element, const std::string& html) = 0;
    virtual void SetStyle(PageMirror::Handle element, const std::string& property,
                          const std::string& value) = 0;
    // Scrolls the page, smoothly, until the element is wholly in view with a margin of one of its
    // lines; a page that already shows it wholly does not move.
    virtual void ScrollIntoView(PageMirror::Handle element) = 0;
};
