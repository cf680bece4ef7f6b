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

#include "platform/files/files.h"

namespace {

// Only the program's own pages and regular files of the course folder or of the program's data
// are ever fetched: lesson markup is course data, and may name any path (or a FIFO that would
// never answer).
class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        const QString scheme = url.scheme();
        if (scheme == QLatin1String("qrc") || scheme == QLatin1String("data")) {
            return;
        }
        const bool allowedFile =
            scheme == QLatin1String("file") &&
            IsRegularFileInside(url.toLocalFile().toStdString(), {CourseFolder(), DataDirectory()});
        if (!allowedFile) {
            info.block(true);
        }
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
    if (end == std::string::npos) {
        return "<!DOCTYPE html><html><head>" + header + "</head>" + html + "</html>";
    }
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
    void AllowNextLoad() { loadAllowed_ = true; }

  protected:
    bool acceptNavigationRequest(const QUrl&, NavigationType type, bool isMainFrame) override {
        if (!isMainFrame || !loadAllowed_ || type == NavigationTypeLinkClicked ||
            type == NavigationTypeFormSubmitted) {
            return false;
        }
        loadAllowed_ = false;
        return true;
    }
    // Blocked content is expected in course data; the console is not the learner's business.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}

  private:
    bool loadAllowed_ = false;
};

// The one object the page's bridge script can reach. Everything it receives is checked.
class PageBridge : public QObject {
    Q_OBJECT
  public:
    explicit PageBridge(QObject* parent) : QObject(parent) {}

  signals:
    void childrenReplaced(int generation, int handle, const QString& html);
    void styleChanged(int generation, int handle, const QString& property, const QString& value);
    void scrollIntoView(int generation, int handle);
    void Ready(int generation);
    void PageEventRaised(int generation, PageEventType type, int handle, int selectedIndex);

  public slots:
    void documentReady(int generation) {
        if (generation > 0) {
            emit Ready(generation);
        }
    }
    void pageEvent(int generation, const QString& type, int handle, int selectedIndex) {
        static const std::pair<const char*, PageEventType> kTypes[] = {
            {"mouseover", PageEventType::kMouseOver},
            {"mouseout", PageEventType::kMouseOut},
            {"click", PageEventType::kClick},
            {"change", PageEventType::kChange}};
        if (generation <= 0 || handle <= 0 || selectedIndex < -1) {
            return;
        }
        for (const auto& [name, value] : kTypes) {
            if (type == QLatin1String(name)) {
                emit PageEventRaised(generation, value, handle, selectedIndex);
                return;
            }
        }
    }
};

WebEngineRenderer::WebEngineRenderer(PageRendererClient& client)
    : client_(client), profile_(std::make_unique<QWebEngineProfile>()) {
    profile_->setUrlRequestInterceptor(new LocalOnlyInterceptor(profile_.get()));
    profile_->setHttpCacheType(QWebEngineProfile::NoCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);

    view_ = new QWebEngineView;
    page_ = new GuardedPage(profile_.get(), view_);
    QWebEngineSettings* settings = page_->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    // Without it the engine jumps even where the program asks for a smooth scroll.
    settings->setAttribute(QWebEngineSettings::ScrollAnimatorEnabled, true);
    view_->setPage(page_);

    bridge_ = new PageBridge(this);
    auto* channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("bridge"), bridge_);
    page_->setWebChannel(channel, QWebEngineScript::ApplicationWorld);
    page_->scripts().insert(
        MakeScript(QStringLiteral("qwebchannel"),
                   ReadResource(QStringLiteral(":/qtwebchannel/qwebchannel.js")),
                   QWebEngineScript::DocumentCreation));
    page_->scripts().insert(MakeScript(QStringLiteral("bridge"),
                                       ReadResource(QStringLiteral(":/bridge/page_bridge.js")),
                                       QWebEngineScript::DocumentReady));

    connect(bridge_, &PageBridge::Ready, this, &WebEngineRenderer::OnDocumentReady);
    connect(bridge_, &PageBridge::PageEventRaised, this,
            [this](int generation, PageEventType type, int handle, int selectedIndex) {
                if (generation == generation_ && ready_) {
                    client_.OnRendererEvent(type, static_cast<PageMirror::Handle>(handle),
                                            selectedIndex);
                }
            });
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { client_.OnRendererContextMenu(view_->mapToGlobal(pos)); });
}

WebEngineRenderer::~WebEngineRenderer() {
    // The page must go before the profile it was made with.
    delete view_;
}

QWidget* WebEngineRenderer::Widget() {
    return view_;
}

const char* WebEngineRenderer::ContentSecurityPolicy() {
    return "default-src 'none'; img-src file: data:; style-src 'unsafe-inline' file: data:; "
           "font-src file: data:; media-src file:; form-action 'none'; base-uri 'none'";
}

void WebEngineRenderer::LoadDocument(int generation, const std::string& html,
                                     const std::string& baseDirectory) {
    generation_ = generation;
    ready_ = false;
    pending_.clear();
    page_->AllowNextLoad();
    const QString base = QString::fromStdString(baseDirectory);
    page_->setHtml(QString::fromStdString(WithLoadHeader(html, generation)),
                   QUrl::fromLocalFile(base.endsWith('/') ? base : base + '/'));
}

void WebEngineRenderer::ReplaceChildren(PageMirror::Handle element, const std::string& html) {
    auto send = [this, element, text = QString::fromStdString(html)] {
        emit bridge_->childrenReplaced(generation_, static_cast<int>(element), text);
    };
    ready_ ? send() : pending_.push_back(send);
}

void WebEngineRenderer::SetStyle(PageMirror::Handle element, const std::string& property,
                                 const std::string& value) {
    auto send = [this, element, p = QString::fromStdString(property),
                 v = QString::fromStdString(value)] {
        emit bridge_->styleChanged(generation_, static_cast<int>(element), p, v);
    };
    ready_ ? send() : pending_.push_back(send);
}

void WebEngineRenderer::ScrollIntoView(PageMirror::Handle element) {
    auto send = [this, element] {
        emit bridge_->scrollIntoView(generation_, static_cast<int>(element));
    };
    ready_ ? send() : pending_.push_back(send);
}

void WebEngineRenderer::OnDocumentReady(int generation) {
    if (generation != generation_ || ready_) {
        return;
    }
    ready_ = true;
    for (auto& send : std::exchange(pending_, {})) {
        send();
    }
    client_.OnRendererDocumentReady(generation);
}

#include "webengine_renderer.moc"
