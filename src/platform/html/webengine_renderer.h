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

    // The policy every page is loaded with.
    static const char* ContentSecurityPolicy();

  private:
    void OnDocumentReady(int generation);

    PageRendererClient& m_client;
    std::unique_ptr<QWebEngineProfile> m_profile;
    QPointer<QWebEngineView> m_view;
    GuardedPage* m_page = nullptr;
    PageBridge* m_bridge = nullptr;
    int m_nGeneration = 0;
    bool m_bReady = false;
    // Changes made while the document is still loading, applied once it is ready.
    std::vector<std::function<void()>> m_pending;
};
