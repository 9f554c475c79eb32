// Measures the nine panes of the main window on loopback pages: the time
// until all have loaded, and the memory of the client and of the engine's
// processes. Not a test; run by hand:
//   web_pane_bench [renderer process limit, 0 = none] [extra Chromium switches]
// KELVARA_BENCH_LAUNCH_MS=<ms since 1970 when it was started> adds the time
// from the program's start, as the client's start-up is measured.

#include "desktop/loopback_http.h"
#include "desktop/web_engine_pane.h"
#include "desktop/web_engine_profile.h"
#include "desktop/web_pane_driver.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QWebEnginePage>
#include <cstdio>
#include <unistd.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

struct Memory {
    qint64 pss_kb = 0;
    qint64 rss_kb = 0;
};

qint64 field_kb(const QString& text, const QString& name) {
    for (const QString& line : text.split(u'\n')) {
        if (line.startsWith(name + u':'))
            return line.mid(name.size() + 1).trimmed().split(u' ').value(0).toLongLong();
    }
    return 0;
}

Memory memory_of(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(file.readAll());
    return {field_kb(text, QStringLiteral("Pss")), field_kb(text, QStringLiteral("Rss"))};
}

qint64 parent_of(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString stat = QString::fromLatin1(file.readAll());
    // The command name in parentheses may hold spaces.
    return stat.mid(stat.lastIndexOf(u')') + 2).split(u' ').value(1).toLongLong();
}

QString command_of(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).replace(QChar(0), u' ');
}

QList<qint64> descendants_of(qint64 root) {
    QList<qint64> found{root};
    bool grew = true;
    while (grew) {
        grew = false;
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool ok = false;
            const qint64 pid = entry.toLongLong(&ok);
            if (ok && !found.contains(pid) && found.contains(parent_of(pid))) {
                found << pid;
                grew = true;
            }
        }
    }
    return found;
}

std::string catalogue_page() {
    QString rows;
    for (int i = 1; i <= 200; ++i)
        rows += QStringLiteral("<tr><td><a href=\"eebovod://%1-1-1-%u7535%u5F71/\">电影 %1 第1集"
                               "</a></td><td>简介：一部关于旅行的影片，共%1集。</td></tr>")
                    .arg(i);
    return QStringLiteral("<html><head><title>片库</title><style>td{font-size:12px}</style>"
                          "</head><body><h1>片库</h1><table>%1</table><script>"
                          "setInterval(function(){document.title='片库 '+Date.now()},1000)"
                          "</script></body></html>")
        .arg(rows)
        .toStdString();
}

std::string advert_page(const char* name) {
    return QStringLiteral("<html><body style='margin:0'><div id=ad>%1</div><script>"
                          "var n=0;setInterval(function(){document.getElementById('ad')"
                          ".textContent='%1 '+(++n)},500)</script></body></html>")
        .arg(QString::fromLatin1(name))
        .toStdString();
}

void write_history_page(const QString& path, int rows) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray page = "<html><head><title></title></head><body oncontextmenu=\"return false\">"
                      "<table id=\"v1\">";
    for (int i = 1; i <= rows; ++i)
        page += "<tr><td><a href=open://" + QByteArray::number(i) + ">\xa1\xa4\xc6\xac\xc3\xfb " +
                QByteArray::number(i) + "</a></td><td><a href=delk://" + QByteArray::number(i) +
                ">x</a></td></tr>";
    file.write(page + "</table></body></html>\r\n");
}

} // namespace

int main(int argc, char** argv) {
    const int limit = argc > 1 ? std::atoi(argv[1]) : kRendererProcessLimit;
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + " --no-proxy-server";
    for (int i = 2; i < argc; ++i)
        flags += QByteArray(" ") + argv[i];
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepare_web_engine(limit);
    QApplication app(argc, argv);

    LoopbackHttp server;
    server.set("/soft/", {catalogue_page()});
    server.set("/soft/js/ads/softad.html", {advert_page("soft")});
    server.set("/soft/js/ads/qvodad.html", {advert_page("qvod")});
    server.set("/soft/tj/tj.asp", {"<html><body>1</body></html>"});
    QTemporaryDir home;
    write_history_page(home.filePath(QStringLiteral("c.htm")), 30);
    write_history_page(home.filePath(QStringLiteral("f.htm")), 10);
    const QString base = server.url(QStringLiteral("/soft/"));

    struct PaneSpec {
        const char* name;
        bool visible;
        QString address;
    };
    const QList<PaneSpec> specs{
        {"catalogue_pane", true, base},
        {"web_player_pane", false, QStringLiteral("about:blank")},
        {"network_list_pane", true, home.filePath(QStringLiteral("c.htm"))},
        {"local_list_pane", false, home.filePath(QStringLiteral("f.htm"))},
        {"episode_pane", false, home.filePath(QStringLiteral("c.htm"))},
        {"software_ad_pane", true, base + QStringLiteral("js/ads/softad.html")},
        {"statistics_pane", false, base + QStringLiteral("tj/tj.asp?id=0123456789")},
        {"tv_pane", false, QStringLiteral("about:blank")},
        {"qvod_ad_pane", false, base + QStringLiteral("js/ads/qvodad.html")},
    };

    QWidget window;
    window.resize(1000, 700);
    window.show();
    WebEnginePaneFactory factory{QString()};
    std::vector<std::unique_ptr<QWidget>> containers;
    std::vector<std::unique_ptr<WebPane>> panes;
    std::vector<PaneEvents> events(specs.size());
    QElapsedTimer clock;
    clock.start();
    for (qsizetype i = 0; i < specs.size(); ++i) {
        auto container = std::make_unique<QWidget>(&window);
        container->setGeometry(int(i % 3) * 330, int(i / 3) * 230, 320, 220);
        container->setVisible(specs[i].visible);
        auto pane = factory.create_pane(container.get(), QString::fromLatin1(specs[i].name));
        events[size_t(i)].attach(*pane);
        pane->download_complete = [&clock, &events, i, name = specs[i].name] {
            if (events[size_t(i)].completed++ == 0 &&
                qEnvironmentVariableIsSet("KELVARA_BENCH_VERBOSE"))
                std::printf("  %s loaded after %lld ms\n", name, clock.elapsed());
        };
        pane->navigate(specs[i].address);
        containers.push_back(std::move(container));
        panes.push_back(std::move(pane));
    }
    const bool loaded = wait_for(
        [&] {
            for (const PaneEvents& e : events) {
                if (e.completed == 0)
                    return false;
            }
            return true;
        },
        60000);
    const qint64 load_ms = clock.elapsed();
    const qint64 launched_ms = qgetenv("KELVARA_BENCH_LAUNCH_MS").toLongLong();
    const qint64 from_launch_ms =
        launched_ms > 0 ? QDateTime::currentMSecsSinceEpoch() - launched_ms : -1;
    pause(3000);
    // How much discarding the hidden panes would save.
    const QByteArray lifecycle = qgetenv("KELVARA_BENCH_LIFECYCLE");
    if (!lifecycle.isEmpty()) {
        for (qsizetype i = 0; i < specs.size(); ++i) {
            if (!specs[i].visible) {
                auto& pane = dynamic_cast<WebEnginePane&>(*panes[size_t(i)]);
                pane.page()->setLifecycleState(lifecycle == "discarded"
                                                   ? QWebEnginePage::LifecycleState::Discarded
                                                   : QWebEnginePage::LifecycleState::Frozen);
            }
        }
        pause(3000);
    }

    Memory total;
    int renderers = 0;
    int processes = 0;
    for (const qint64 pid : descendants_of(::getpid())) {
        const Memory m = memory_of(pid);
        total.pss_kb += m.pss_kb;
        total.rss_kb += m.rss_kb;
        ++processes;
        const QString command = command_of(pid);
        // Renderers are forked by a zygote, itself a child of the client.
        if (pid != ::getpid() && parent_of(pid) != ::getpid())
            ++renderers;
        if (qEnvironmentVariableIsSet("KELVARA_BENCH_VERBOSE"))
            std::printf("  %lld pss=%lld kB rss=%lld kB %s\n", pid, m.pss_kb, m.rss_kb,
                        qPrintable(command.left(160)));
    }
    const Memory client = memory_of(::getpid());
    std::printf("limit=%d flags=[%s] loaded=%s load_ms=%lld from_launch_ms=%lld processes=%d "
                "renderers=%d client_pss_mb=%.1f total_pss_mb=%.1f total_rss_mb=%.1f\n",
                limit, qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").constData(), loaded ? "yes" : "no",
                load_ms, from_launch_ms, processes, renderers, client.pss_kb / 1024.0,
                total.pss_kb / 1024.0, total.rss_kb / 1024.0);
    panes.clear();
    return loaded ? 0 : 1;
}
