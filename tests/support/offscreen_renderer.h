#pragma once

#include <QObject>

#include "platform/html/page_renderer.h"

// Shows nothing. A load reports "document ready" from the event loop, as a browser would, so
// code that runs on document completion runs at the same point as with a real engine.
class OffscreenRenderer : public QObject, public PageRenderer {
    Q_OBJECT
  public:
    explicit OffscreenRenderer(PageRendererClient& client) : client_(client) {}

    QWidget* Widget() override { return nullptr; }
    void LoadDocument(int generation, const std::string& html,
                      const std::string& baseDirectory) override;
    void ReplaceChildren(PageMirror::Handle, const std::string&) override {}
    void SetStyle(PageMirror::Handle, const std::string&, const std::string&) override {}

  private:
    PageRendererClient& client_;
};
