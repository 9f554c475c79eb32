#include "desktop/web_pane_driver.h"

#include "desktop/web_engine_pane.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <memory>

namespace kelvara::test {

namespace {

WebEnginePane& engine_pane(WebPane& pane) {
    return dynamic_cast<WebEnginePane&>(pane);
}

} // namespace

bool is_client_link(const QString& address) {
    for (const char* scheme : {"eeqvod://", "eebovod://", "open://", "delk://"}) {
        if (address.startsWith(QLatin1String(scheme)))
            return true;
    }
    return address == QLatin1String("http://episode-end.kelvara.invalid/next");
}

void PaneEvents::attach(WebPane& pane) {
    pane.before_navigate = [this](const QString& address, bool& cancel) {
        navigations << address;
        if (on_navigate)
            on_navigate(address);
        cancel = cancels(address);
    };
    pane.download_begin = [this] { ++begun; };
    pane.download_complete = [this] { ++completed; };
    pane.navigate_error = [this](const QString& address) { errors << address; };
    pane.new_window = [this](const QString& address) { windows << address; };
    pane.context_menu = [this](QPoint pos, const QString& href) { menus << qMakePair(pos, href); };
}

bool wait_for(const std::function<bool()>& condition, int ms) {
    // A real event loop: QTest::qWaitFor sleeps between rounds of events,
    // which starves the engine's tasks on the user-interface thread.
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

void pause(int ms) {
    QElapsedTimer clock;
    clock.start();
    wait_for([&] { return clock.elapsed() >= ms; }, ms + 1000);
}

bool load(WebPane& pane, const PaneEvents& events, const QString& address) {
    const int before = events.completed;
    pane.navigate(address);
    return wait_for([&] { return events.completed > before; });
}

QVariant run_js(WebPane& pane, const QString& code) {
    // Shared, so that a result arriving after a time-out writes nowhere stale.
    auto result = std::make_shared<std::optional<QVariant>>();
    engine_pane(pane).page()->runJavaScript(code,
                                            [result](const QVariant& value) { *result = value; });
    wait_for([&] { return result->has_value(); });
    return result->value_or(QVariant());
}

void settle(WebPane& pane) {
    run_js(pane, QStringLiteral("0"));
    pause(300);
}

QPoint center_of(WebPane& pane, const QString& id) {
    const QVariantList xy =
        run_js(pane,
               QStringLiteral("(function () {"
                              "  var r = document.getElementById('%1').getBoundingClientRect();"
                              "  return [r.left + r.width / 2, r.top + r.height / 2];"
                              "})()")
                   .arg(id))
            .toList();
    return QPoint(qRound(xy.value(0).toDouble()), qRound(xy.value(1).toDouble()));
}

void mouse_click(WebPane& pane, QPoint pos, Qt::MouseButton button) {
    // Input reaches the page only once it has drawn its frames.
    run_js(pane,
           QStringLiteral("window.drawn_ = false; requestAnimationFrame(function () {"
                          "  requestAnimationFrame(function () { window.drawn_ = true; }); })"));
    wait_for([&] { return run_js(pane, QStringLiteral("window.drawn_")).toBool(); });
    QWidget* target = engine_pane(pane).view()->focusProxy();
    QTest::mouseMove(target, pos);
    QTest::mouseClick(target, button, {}, pos);
}

QWidget* view_of(WebPane& pane) {
    return engine_pane(pane).view();
}

} // namespace kelvara::test
