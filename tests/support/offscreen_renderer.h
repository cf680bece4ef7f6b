#pragma once

#include <QObject>
#include <vector>

#include "platform/html/page_renderer.h"

// Shows nothing. A load reports "document ready" from the event loop, as a browser would, so
// code that runs on document completion runs at the same point as with a real engine. Requests
// to scroll an element into view are recorded.
class OffscreenRenderer : public QObject, public PageRenderer {
    Q_OBJECT
  public:
    explicit OffscreenRenderer(PageRendererClient& client) : client_(client) {}

    QWidget* Widget() override { return nullptr; }
    void LoadDocument(int generation, const std::string& html,
                      const std::string& baseDirectory) override;
    void ReplaceChildren(PageMirror::Handle, const std::string&) override {}
    void SetStyle(PageMirror::Handle, const std::string&, const std::string&) override {}
    void ScrollIntoView(PageMirror::Handle element) override { scrolled_.push_back(element); }

    // The elements asked to be scrolled into view, oldest first.
    const std::vector<PageMirror::Handle>& Scrolled() const { return scrolled_; }

  private:
    PageRendererClient& client_;
    std::vector<PageMirror::Handle> scrolled_;
};
