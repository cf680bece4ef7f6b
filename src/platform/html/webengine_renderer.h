#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "platform/html/page_renderer.h"

class QWebEngineProfile;
class QWebEngineView;
class PageBridge;
class GuardedPage;

// Shows pages in Qt WebEngine. Pages never run their own code and never leave the document: a
// Content-Security-Policy admits no page script, navigation is refused, and requests for
// anything but local files are blocked. Events and changes travel over a web channel that
// only the application's isolated script world can reach.
class WebEngineRenderer : public QObject, public PageRenderer {
    Q_OBJECT
  public:
    explicit WebEngineRenderer(PageRendererClient& client);
    ~WebEngineRenderer() override;

    QWidget* Widget() override;
    void LoadDocument(int generation, const std::string& html,
                      const std::string& baseDirectory) override;
    void ReplaceChildren(PageMirror::Handle element, const std::string& html) override;
    void SetStyle(PageMirror::Handle element, const std::string& property,
                  const std::string& value) override;
    void ScrollIntoView(PageMirror::Handle element) override;

    // The policy every page is loaded with.
    static const char* ContentSecurityPolicy();

  private:
    void OnDocumentReady(int generation);

    PageRendererClient& client_;
    std::unique_ptr<QWebEngineProfile> profile_;
    QPointer<QWebEngineView> view_;
    GuardedPage* page_ = nullptr;
    PageBridge* bridge_ = nullptr;
    int generation_ = 0;
    bool ready_ = false;
    // Changes made while the document is still loading, applied once it is ready.
    std::vector<std::function<void()>> pending_;
};
