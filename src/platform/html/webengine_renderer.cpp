#include "platform/html/webengine_renderer.h"

#include <QFile>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace {

// Only the program's own pages and the course's local files are ever fetched.
class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QString scheme = info.requestUrl().scheme();
        if (scheme != QLatin1String("file") && scheme != QLatin1String("qrc") &&
            scheme != QLatin1String("data"))
            info.block(true);
    }
};

QString ReadResource(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QWebEngineScript MakeScript(const QString& name, const QString& source,
                            QWebEngineScript::InjectionPoint point) {
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(point);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

// Puts the security policy and the load's number at the top of the document's head.
std::string WithLoadHeader(const std::string& html, int generation) {
    const std::string header =
        std::string("<meta http-equiv=\"Content-Security-Policy\" content=\"") +
        WebEngineRenderer::ContentSecurityPolicy() + "\"><meta name=\"qv-generation\" content=\"" +
        std::to_string(generation) + "\">";
    const size_t head = html.find("<head");
    const size_t end = head == std::string::npos ? std::string::npos : html.find('>', head);
    if (end == std::string::npos)
        return "<!DOCTYPE html><html><head>" + header + "</head>" + html + "</html>";
    std::string out = html;
    out.insert(end + 1, header);
    return out;
}

}  // namespace

// Accepts the documents the program loads and refuses every other navigation.
class GuardedPage : public QWebEnginePage {
    Q_OBJECT
  public:
    using QWebEnginePage::QWebEnginePage;
    void AllowNextLoad() { m_bLoadAllowed = true; }

  protected:
    bool acceptNavigationRequest(const QUrl&, NavigationType type, bool isMainFrame) override {
        if (!isMainFrame || !m_bLoadAllowed || type == NavigationTypeLinkClicked ||
            type == NavigationTypeFormSubmitted)
            return false;
        m_bLoadAllowed = false;
        return true;
    }
    // Blocked content is expected in course data; the console is not the learner's business.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}

  private:
    bool m_bLoadAllowed = false;
};

// The one object the page's bridge script can reach. Everything it receives is checked.
class PageBridge : public QObject {
    Q_OBJECT
  public:
    explicit PageBridge(QObject* parent) : QObject(parent) {}

  signals:
    void childrenReplaced(int generation, int handle, const QString& html);
    void styleChanged(int generation, int handle, const QString& property, const QString& value);
    void ready(int generation);
    void event(int generation, PageEventType type, int handle, int selectedIndex);

  public slots:
    void documentReady(int generation) {
        if (generation > 0)
            emit ready(generation);
    }
    void pageEvent(int generation, const QString& type, int handle, int selectedIndex) {
        static const std::pair<const char*, PageEventType> kTypes[] = {
            {"mouseover", PageEventType::MouseOver},
            {"mouseout", PageEventType::MouseOut},
            {"click", PageEventType::Click},
            {"change", PageEventType::Change}};
        if (generation <= 0 || handle <= 0 || selectedIndex < -1)
            return;
        for (const auto& [name, value] : kTypes) {
            if (type == QLatin1String(name)) {
                emit event(generation, value, handle, selectedIndex);
                return;
            }
        }
    }
};

WebEngineRenderer::WebEngineRenderer(PageRendererClient& client)
    : m_client(client), m_profile(std::make_unique<QWebEngineProfile>()) {
    m_profile->setUrlRequestInterceptor(new LocalOnlyInterceptor(m_profile.get()));
    m_profile->setHttpCacheType(QWebEngineProfile::NoCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);

    m_view = new QWebEngineView;
    m_page = new GuardedPage(m_profile.get(), m_view);
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    m_view->setPage(m_page);

    m_bridge = new PageBridge(this);
    auto* channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("bridge"), m_bridge);
    m_page->setWebChannel(channel, QWebEngineScript::ApplicationWorld);
    m_page->scripts().insert(
        MakeScript(QStringLiteral("qwebchannel"),
                   ReadResource(QStringLiteral(":/qtwebchannel/qwebchannel.js")),
                   QWebEngineScript::DocumentCreation));
    m_page->scripts().insert(MakeScript(QStringLiteral("bridge"),
                                        ReadResource(QStringLiteral(":/bridge/page_bridge.js")),
                                        QWebEngineScript::DocumentReady));

    connect(m_bridge, &PageBridge::ready, this, &WebEngineRenderer::OnDocumentReady);
    connect(m_bridge, &PageBridge::event, this,
            [this](int generation, PageEventType type, int handle, int selectedIndex) {
                if (generation == m_nGeneration && m_bReady)
                    m_client.OnRendererEvent(type, static_cast<PageMirror::Handle>(handle),
                                             selectedIndex);
            });
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        m_client.OnRendererContextMenu(m_view->mapToGlobal(pos));
    });
}

WebEngineRenderer::~WebEngineRenderer() {
    // The page must go before the profile it was made with.
    delete m_view;
}

QWidget* WebEngineRenderer::Widget() {
    return m_view;
}

const char* WebEngineRenderer::ContentSecurityPolicy() {
    return "default-src 'none'; img-src file: data:; style-src 'unsafe-inline' file: data:; "
           "font-src file: data:; media-src file:; form-action 'none'; base-uri 'none'";
}

void WebEngineRenderer::LoadDocument(int generation, const std::string& html,
                                     const std::string& baseDirectory) {
    m_nGeneration = generation;
    m_bReady = false;
    m_pending.clear();
    m_page->AllowNextLoad();
    const QString base = QString::fromStdString(baseDirectory);
    m_page->setHtml(QString::fromStdString(WithLoadHeader(html, generation)),
                    QUrl::fromLocalFile(base.endsWith('/') ? base : base + '/'));
}

void WebEngineRenderer::ReplaceChildren(PageMirror::Handle element, const std::string& html) {
    auto send = [this, element, text = QString::fromStdString(html)] {
        emit m_bridge->childrenReplaced(m_nGeneration, static_cast<int>(element), text);
    };
    m_bReady ? send() : m_pending.push_back(send);
}

void WebEngineRenderer::SetStyle(PageMirror::Handle element, const std::string& property,
                                 const std::string& value) {
    auto send = [this, element, p = QString::fromStdString(property),
                 v = QString::fromStdString(value)] {
        emit m_bridge->styleChanged(m_nGeneration, static_cast<int>(element), p, v);
    };
    m_bReady ? send() : m_pending.push_back(send);
}

void WebEngineRenderer::OnDocumentReady(int generation) {
    if (generation != m_nGeneration || m_bReady)
        return;
    m_bReady = true;
    for (auto& send : std::exchange(m_pending, {}))
        send();
    m_client.OnRendererDocumentReady(generation);
}

#include "webengine_renderer.moc"
