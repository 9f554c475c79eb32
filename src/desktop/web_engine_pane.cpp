#include "desktop/web_engine_pane.h"

#include "desktop/web_engine_profile.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace kelvara {

Q_LOGGING_CATEGORY(lc_web, "kelvara.web", QtWarningMsg)
// One line a finished load, for following the window's start-up.
Q_LOGGING_CATEGORY(lc_panes, "kelvara.panes", QtWarningMsg)

// The engine page of a pane: navigation decisions, dialogs, script reports.
class PanePage : public QWebEnginePage {
public:
    PanePage(WebEnginePane& pane, QWebEngineProfile* profile, QObject* parent)
        : QWebEnginePage(profile, parent), pane_(pane) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool) override {
        // Loads and reloads the pane asked for itself: the handler has run.
        if (type == NavigationTypeTyped || type == NavigationTypeReload)
            return true;
        if (!pane_.own_script_load_.isEmpty() && url == pane_.own_script_load_) {
            pane_.own_script_load_ = QUrl();
            return true;
        }
        return pane_.page_navigation(url);
    }

    // New windows are the client's business (new_window); none opens here.
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

    void javaScriptAlert(const QUrl& origin, const QString& message) override {
        if (!pane_.silent())
            QWebEnginePage::javaScriptAlert(origin, message);
    }

    bool javaScriptConfirm(const QUrl& origin, const QString& message) override {
        if (!pane_.silent())
            return QWebEnginePage::javaScriptConfirm(origin, message);
        // The engine asks before leaving a page with a beforeunload handler
        // through this call; a silent pane always leaves. Any other question
        // is answered as a dismissed dialog would be.
        return message == leave_page_question();
    }

    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& value,
                          QString* result) override {
        if (message == pane_.profile_->report_marker()) {
            if (const auto report = parse_page_report(value)) {
                pane_.page_report(*report);
                *result = QStringLiteral("ok");
            } else {
                qCWarning(lc_web) << pane_.name_ << "malformed link report" << value;
            }
            return true;
        }
        if (pane_.silent())
            return false;
        return QWebEnginePage::javaScriptPrompt(origin, message, value, result);
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int line,
                                  const QString& source) override {
        qCDebug(lc_web) << pane_.name_ << source << line << message;
    }

private:
    static QString leave_page_question() {
        return QCoreApplication::translate(
            "QWebEnginePage",
            "Are you sure you want to leave this page? Changes that you made may not be saved.");
    }

    WebEnginePane& pane_;
};

// The view of a pane. The link script suppresses the engine's context menu;
// where it could not run, the engine's request ends here instead.
class PaneView : public QWebEngineView {
public:
    PaneView(WebEnginePane& pane, QWidget* parent) : QWebEngineView(parent), pane_(pane) {}

protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
        const QWebEngineContextMenuRequest* request = lastContextMenuRequest();
        const QString href = request ? request->linkUrl().toString() : QString();
        const QPoint pos = event->globalPos();
        pane_.later([pane = &pane_, pos, href] { pane->show_context_menu(pos, href); });
        event->accept();
    }

private:
    WebEnginePane& pane_;
};

WebEnginePane::WebEnginePane(std::shared_ptr<PaneProfile> profile, QWidget* container,
                             const QString& name)
    : profile_(std::move(profile)), name_(name) {
    view_ = new PaneView(*this, container);
    view_->setObjectName(name);
    page_ = new PanePage(*this, profile_->profile(), view_);
    view_->setPage(page_);
    if (container)
        view_->setGeometry(container->rect());
    // A child added to a container already on screen stays hidden otherwise;
    // the container decides whether the pane is seen.
    view_->show();
    QObject::connect(page_, &QWebEnginePage::loadingChanged, page_,
                     [this](const QWebEngineLoadingInfo& info) { loading_changed(info); });
    QObject::connect(
        page_, &QWebEnginePage::newWindowRequested, page_,
        [this](QWebEngineNewWindowRequest& request) { new_window_requested(request); });
}

WebEnginePane::~WebEnginePane() {
    delete view_.data();
}

QWidget* WebEnginePane::widget() {
    return view_;
}

QWebEnginePage* WebEnginePane::page() const {
    return page_;
}

QWebEngineView* WebEnginePane::view() const {
    return view_;
}

void WebEnginePane::navigate(const QString& address) {
    if (!run_before_navigate(address) || !page_)
        return;
    const QUrl url = address_to_url(address);
    if (!engine_loads(url)) {
        qCDebug(lc_web) << name_ << "nothing loads" << address;
        return;
    }
    if (has_raw_percent(address)) {
        // The page's own navigation sends the address as it is; the handler
        // has run already, so the engine's request for it is let through.
        own_script_load_ = url;
        const QString target =
            QString::fromUtf8(QJsonDocument(QJsonArray{address}).toJson(QJsonDocument::Compact));
        page_->runJavaScript(QStringLiteral("window.location.href = %1[0];").arg(target),
                             QWebEngineScript::ApplicationWorld);
        return;
    }
    page_->load(url);
}

void WebEnginePane::refresh() {
    if (page_)
        page_->triggerAction(QWebEnginePage::Reload);
}

void WebEnginePane::go_back() {
    if (page_)
        page_->triggerAction(QWebEnginePage::Back);
}

void WebEnginePane::go_forward() {
    if (page_)
        page_->triggerAction(QWebEnginePage::Forward);
}

void WebEnginePane::copy() {
    if (page_)
        page_->triggerAction(QWebEnginePage::Copy);
}

void WebEnginePane::paste() {
    if (page_)
        page_->triggerAction(QWebEnginePage::Paste);
}

QString WebEnginePane::current_address() const {
    return page_ ? url_to_address(page_->url()) : QString();
}

// The handlers are called through copies and nothing of the pane is touched
// after a call that came through later(): the client may delete the pane.
bool WebEnginePane::run_before_navigate(const QString& address) {
    qCDebug(lc_web) << name_ << "before navigate" << address;
    bool cancel = false;
    if (const auto handler = before_navigate)
        handler(address, cancel);
    return !cancel;
}

bool WebEnginePane::page_navigation(const QUrl& url) {
    // What the page reported earlier happened earlier.
    run_reports();
    if (!run_before_navigate(url_to_address(url)))
        return false;
    // Never hand an unknown scheme on to the desktop.
    return engine_loads(url);
}

void WebEnginePane::page_report(const PageReport& report) {
    switch (report.kind) {
    case PageReport::Kind::Navigate:
        reports_.push_back(report);
        later([this] { run_reports(); });
        break;
    case PageReport::Kind::Popup:
        popup_ = report;
        break;
    case PageReport::Kind::ContextMenu:
        later([this, report] { show_context_menu(report.screen_pos, report.address); });
        break;
    }
}

void WebEnginePane::run_reports() {
    const QPointer<PanePage> alive = page_;
    while (alive && !reports_.empty()) {
        const PageReport report = reports_.front();
        reports_.pop_front();
        // A link scheme the handler left alone has nowhere to go.
        run_before_navigate(report.address);
    }
}

void WebEnginePane::new_window_requested(QWebEngineNewWindowRequest& request) {
    const QUrl url = request.requestedUrl();
    QString address = url_to_address(url);
    // Only the client's link schemes need the raw href; for the others the
    // engine's absolute address is the better one.
    if (popup_ && same_target(url, popup_->resolved) && !engine_loads(QUrl(popup_->resolved)))
        address = popup_->address;
    popup_.reset();
    later([this, address] { open_new_window(address); });
}

void WebEnginePane::open_new_window(const QString& address) {
    const QPointer<PanePage> alive = page_;
    if (!run_before_navigate(address) || !alive)
        return;
    if (const auto handler = new_window)
        handler(address);
}

void WebEnginePane::show_context_menu(QPoint global_pos, const QString& href) {
    if (const auto handler = context_menu)
        handler(global_pos, href);
}

namespace {

// A navigation the pane or its handler cancelled ends as "aborted".
bool is_failure(const QWebEngineLoadingInfo& info) {
    constexpr int kAborted = -3;
    return !(info.errorDomain() == QWebEngineLoadingInfo::InternalErrorDomain &&
             info.errorCode() == kAborted);
}

} // namespace

void WebEnginePane::loading_changed(const QWebEngineLoadingInfo& info) {
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        // A link clicked on the page before is no longer the one to match.
        popup_.reset();
        if (download_begin)
            download_begin();
        return;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        qCDebug(lc_web) << name_ << "failed" << info.url() << info.errorDomain()
                        << info.errorCode();
        if (is_failure(info) && navigate_error)
            navigate_error(url_to_address(info.url()));
        break;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        break;
    }
    qCDebug(lc_panes).noquote() << "load finished" << name_
                                << (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus
                                        ? "ok"
                                        : "failed")
                                << info.url().toString();
    if (download_complete)
        download_complete();
}

void WebEnginePane::later(std::function<void()> action) {
    // Delivered through the application object, not the page: the client's
    // handler may delete the pane, and with it the page.
    QMetaObject::invokeMethod(
        qApp,
        [alive = QPointer<PanePage>(page_), action = std::move(action)] {
            if (alive)
                action();
        },
        Qt::QueuedConnection);
}

WebEnginePaneFactory::WebEnginePaneFactory(const QString& storage_dir)
    : profile_(std::make_shared<PaneProfile>(storage_dir)) {}

WebEnginePaneFactory::~WebEnginePaneFactory() = default;

std::unique_ptr<WebPane> WebEnginePaneFactory::create_pane(QWidget* container,
                                                           const QString& name) {
    return std::make_unique<WebEnginePane>(profile_, container, name);
}

} // namespace kelvara
