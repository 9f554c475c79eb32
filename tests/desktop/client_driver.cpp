#include "desktop/client_driver.h"

#include "app/desktop_client.h"
#include "desktop/proc_processes.h"
#include "desktop/qvod_folder.h"
#include "desktop/web_pane_driver.h"
#include "logic/text/text_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <optional>

namespace kelvara::test {

void prepare_client_test_process() {
    qputenv("KELVARA_MPV_AO", "null");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") +
                " --no-proxy-server --disable-component-update --disable-domain-reliability");
    prepare_client_process();
}

namespace {

const char kTerminal[] = "QvodTerminal.exe";

// Settings the client completes at start: quitting ends no terminal (other
// clients' tests may rely on theirs), no look for a terminal of another
// folder, and the terminal started from this folder.
QString settings_text(const QString& qvod_dir) {
    return QStringLiteral("[S_q]\r\nqvodk=1\r\nqvodqi=1\r\nqvodw=%1/\r\n").arg(qvod_dir);
}

bool alive(qint64 pid) {
    return QDir(QStringLiteral("/proc/%1").arg(pid)).exists();
}

} // namespace

ClientFolder::ClientFolder() {
    QDir().mkpath(qvod_dir());
    QDir().mkpath(download_dir());
    write_text_atomically(app_dir() + QStringLiteral("/config.ini"), settings_text(qvod_dir()));
    // The start-up procedure copies the terminal in and keeps these settings.
    write_text_atomically(qvod_dir() + QStringLiteral("/QvodPlayer.xml"),
                          default_qvod_settings(download_dir() + u'/'));
}

ClientFolder::~ClientFolder() {
    end_terminals();
}

QString ClientFolder::app_dir() const {
    return root_.filePath(QStringLiteral("app"));
}

QString ClientFolder::qvod_dir() const {
    return app_dir() + QStringLiteral("/Qvod");
}

QString ClientFolder::download_dir() const {
    return root_.filePath(QStringLiteral("Media"));
}

QList<qint64> ClientFolder::terminals() const {
    QList<qint64> pids;
    const QString own = qvod_dir() + u'/' + QLatin1String(kTerminal);
    for (const ProcessInfo& p : ProcProcesses().list()) {
        if (p.path == own)
            pids << p.pid;
    }
    return pids;
}

bool ClientFolder::end_terminals() const {
    const QList<qint64> pids = terminals();
    for (qint64 pid : pids)
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    QElapsedTimer clock;
    clock.start();
    const auto any_alive = [&pids] {
        return std::any_of(pids.begin(), pids.end(), [](qint64 pid) { return alive(pid); });
    };
    while (any_alive() && clock.elapsed() < 5000)
        QThread::msleep(50);
    for (qint64 pid : pids) {
        if (alive(pid))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
    return terminals().isEmpty();
}

QList<QStringList> ClientFolder::records(HistoryList list) const {
    QList<QStringList> out;
    const std::optional<QStringList> lines =
        read_lines(History(ApplicationFolder(app_dir())).list_file(list));
    for (const QString& line : lines.value_or(QStringList())) {
        if (line.contains(u'|'))
            out << line.split(u'|');
    }
    return out;
}

std::optional<QPoint> element_center(WebPane& pane, const QString& selector) {
    const QVariant xy = run_js(pane, QStringLiteral("(function () {"
                                                    "  var e = document.querySelector('%1');"
                                                    "  if (!e) return null;"
                                                    "  e.scrollIntoView({block: 'center'});"
                                                    "  var r = e.getBoundingClientRect();"
                                                    "  return [r.left + r.width / 2,"
                                                    "          r.top + r.height / 2];"
                                                    "})()")
                                         .arg(selector));
    const QVariantList list = xy.toList();
    if (list.size() != 2)
        return std::nullopt;
    return QPoint(qRound(list.at(0).toDouble()), qRound(list.at(1).toDouble()));
}

bool click_element(WebPane& pane, const QString& selector) {
    const std::optional<QPoint> pos = element_center(pane, selector);
    if (!pos)
        return false;
    mouse_click(pane, *pos);
    return true;
}

bool wait_for_element(WebPane& pane, const QString& selector, int ms) {
    const QString probe = QStringLiteral("!!document.querySelector('%1')").arg(selector);
    QElapsedTimer clock;
    clock.start();
    while (!run_js(pane, probe).toBool()) {
        if (clock.elapsed() > ms)
            return false;
        pause(100);
    }
    return true;
}

} // namespace kelvara::test
