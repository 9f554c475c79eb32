// The browser pane on the real engine, with pages from a loopback server.

#include "desktop/loopback_http.h"
#include "desktop/web_engine_pane.h"
#include "desktop/web_pane_driver.h"
#include "shared/gbk.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMenu>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

const QString kQvodLink =
    QStringLiteral("eeqvod://qvod&&&qvod%3A//1%7CAB%7C%u7535.mp4%7C&&&%u4E2D&&&第1集&&&1&&&2&&&3");
const QString kBovodLink = QStringLiteral("eebovod://123-1-5-%u6D41%u6D6A/");
const QString kEpisodeEnd = QStringLiteral("http://episode-end.kelvara.invalid/next");

std::string links_page() {
    return QStringLiteral(
               "<html><head><title>links</title></head><body style='margin:0'>"
               "<p><a id=qvod href=\"%1\">play</a></p>"
               "<p><a id=bovod href=\"%2\">episode</a></p>"
               "<p><a id=two href=\"/two\">two</a></p>"
               "<p><a id=blank target=_blank href=\"eeqvod://win&&&第2集\">window</a></p>"
               "<p id=empty style='height:100px'>nothing</p>"
               "</body></html>")
        .arg(kQvodLink, kBovodLink)
        .toStdString();
}

class WebPaneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new LoopbackHttp;
        server_->set("/links", {links_page()});
        server_->set("/two", {"<html><head><title>two</title></head><body>two</body></html>"});
        server_->set("/dialogs",
                     {"<html><body><script>alert('a');"
                      "document.title = 'after ' + confirm('c') + ' ' + prompt('p', 'd');"
                      "</script></body></html>"});
        server_->set("/leave", {"<html><head><title>leave</title></head><body id=body "
                                "style='height:300px'><script>onbeforeunload = function (e) {"
                                "e.preventDefault(); e.returnValue = 'stay'; };</script>"
                                "</body></html>"});
        // "中文的页" in GBK, with no character set anywhere.
        server_->set("/gbk",
                     {"<html><body>\xd6\xd0\xce\xc4\xb5\xc4\xd2\xb3</body></html>", "text/html"});
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override {
        container_.resize(800, 600);
        container_.show();
        pane_ = factory_.create_pane(&container_, QStringLiteral("catalogue_pane"));
        events_.attach(*pane_);
    }

    // Loads a page and forgets what loading it told the client.
    void open(const QString& address) {
        ASSERT_TRUE(load(*pane_, events_, address)) << address.toStdString();
        events_.navigations.clear();
    }

    static QString url(const QString& path) { return server_->url(path); }

    static LoopbackHttp* server_;
    WebEnginePaneFactory factory_{QString()};
    QWidget container_;
    std::unique_ptr<WebPane> pane_;
    PaneEvents events_;
};

LoopbackHttp* WebPaneTest::server_ = nullptr;

QString title(WebPane& pane) {
    return run_js(pane, QStringLiteral("document.title")).toString();
}

bool menu_visible() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && qobject_cast<QMenu*>(widget))
            return true;
    }
    return false;
}

// Closes and counts every dialog that opens while it lives, so that a pane
// that shows one fails the test instead of blocking it.
class DialogWatch {
public:
    DialogWatch() {
        timer_.setInterval(50);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
                    ++shown_;
                    dialog->reject();
                }
            }
        });
        timer_.start();
    }
    int shown() const { return shown_; }

private:
    QTimer timer_;
    int shown_ = 0;
};

TEST_F(WebPaneTest, LinkClicksReachTheHandlerWithTheRawHrefAndTheEngineNeverSeesThem) {
    open(url("/links"));
    const int loads = events_.begun;

    run_js(*pane_, QStringLiteral("document.getElementById('qvod').click()"));
    ASSERT_TRUE(wait_for([&] { return events_.navigations.size() == 1; }));
    mouse_click(*pane_, center_of(*pane_, QStringLiteral("bovod")));
    ASSERT_TRUE(wait_for([&] { return events_.navigations.size() == 2; }));
    run_js(*pane_, QStringLiteral("document.getElementById('qvod').focus()"));
    QTest::keyClick(view_of(*pane_)->focusProxy(), Qt::Key_Return);
    ASSERT_TRUE(wait_for([&] { return events_.navigations.size() == 3; }));
    settle(*pane_);

    EXPECT_EQ(events_.navigations, (QStringList{kQvodLink, kBovodLink, kQvodLink}));
    EXPECT_EQ(events_.begun, loads);
    EXPECT_EQ(pane_->current_address(), url("/links"));
    EXPECT_EQ(title(*pane_), "links");
    EXPECT_TRUE(events_.errors.isEmpty());
}

TEST_F(WebPaneTest, ScriptNavigationsReachTheHandlerAndCanBeCancelled) {
    open(url("/links"));

    for (const QString& address : {kQvodLink, kBovodLink, kEpisodeEnd}) {
        run_js(*pane_, QStringLiteral("location.href = '%1'").arg(address));
        ASSERT_TRUE(wait_for([&] { return events_.navigations.contains(address); }))
            << address.toStdString();
    }
    run_js(*pane_, QStringLiteral("document.head.insertAdjacentHTML('beforeend',"
                                  " '<meta http-equiv=refresh content=\"0;url=delk://4\">')"));
    ASSERT_TRUE(wait_for([&] { return events_.navigations.contains("delk://4"); }));
    settle(*pane_);

    EXPECT_EQ(events_.navigations, (QStringList{kQvodLink, kBovodLink, kEpisodeEnd, "delk://4"}));
    EXPECT_EQ(title(*pane_), "links");
    // Cancelled, the never-resolving end-of-episode host is no failure.
    EXPECT_TRUE(events_.errors.isEmpty());
}

TEST_F(WebPaneTest, HistoryPageFromAFileInGbk) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.htm"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // A page as the client writes it: GBK, no character set, unquoted
    // attributes, and a body that refuses the browser's context menu.
    file.write(QByteArray("<html><head><title></title></head><body oncontextmenu=\"return false\">"
                          "<table id=\"v1\"><tr><td align=left width=96%><a id=row title=") +
               to_gbk(QStringLiteral("流浪地球 href=open://3>·流浪地球</a></td><td width=3%>"
                                     "<a id=del href=delk://3><img src=\"i.gif\" alt=\"删除\">"
                                     "</a></td></tr></table></body></html>\r\n")));
    file.close();
    open(path);

    EXPECT_EQ(pane_->current_address(), path);
    EXPECT_EQ(run_js(*pane_, QStringLiteral("document.getElementById('row').title")).toString(),
              QStringLiteral("流浪地球"));
    mouse_click(*pane_, center_of(*pane_, QStringLiteral("row")));
    ASSERT_TRUE(wait_for([&] { return events_.navigations.size() == 1; }));
    run_js(*pane_, QStringLiteral("document.getElementById('del').click()"));
    ASSERT_TRUE(wait_for([&] { return events_.navigations.size() == 2; }));
    EXPECT_EQ(events_.navigations, (QStringList{"open://3", "delk://3"}));

    mouse_click(*pane_, center_of(*pane_, QStringLiteral("row")), Qt::RightButton);
    ASSERT_TRUE(wait_for([&] { return !events_.menus.isEmpty(); }));
    EXPECT_EQ(events_.menus.first().second, "open://3");
}

TEST_F(WebPaneTest, AHandlerNavigatingAnotherPaneRunsItsHandlerNestedInside) {
    QWidget other_container;
    std::unique_ptr<WebPane> other =
        factory_.create_pane(&other_container, QStringLiteral("network_list_pane"));
    PaneEvents other_events;
    other_events.attach(*other);
    QStringList order;
    other_events.on_navigate = [&](const QString& address) {
        order << "network_list_pane " + address;
    };
    events_.on_navigate = [&](const QString& address) {
        if (address == kBovodLink) {
            order << "catalogue_pane begins";
            other->navigate(QStringLiteral("delk://5"));
            pane_->navigate(kQvodLink);
            order << "catalogue_pane ends";
        } else {
            order << "catalogue_pane " + address;
        }
    };
    open(url("/links"));
    order.clear();

    run_js(*pane_, QStringLiteral("document.getElementById('bovod').click()"));
    ASSERT_TRUE(wait_for([&] { return order.size() == 4; }));

    EXPECT_EQ(order, (QStringList{"catalogue_pane begins", "network_list_pane delk://5",
                                  "catalogue_pane " + kQvodLink, "catalogue_pane ends"}));
}

TEST_F(WebPaneTest, AHandlerMayLoadItsOwnPaneWhileCancellingAPageNavigation) {
    open(url("/links"));
    events_.on_navigate = [&](const QString& address) {
        if (address == kEpisodeEnd)
            pane_->navigate(url("/two"));
    };

    run_js(*pane_, QStringLiteral("location.href = '%1'").arg(kEpisodeEnd));

    ASSERT_TRUE(wait_for([&] { return pane_->current_address() == url("/two"); }));
    ASSERT_TRUE(wait_for([&] { return title(*pane_) == "two"; }));
    EXPECT_EQ(events_.navigations, (QStringList{kEpisodeEnd, url("/two")}));
    EXPECT_TRUE(events_.errors.isEmpty());
}

TEST_F(WebPaneTest, FailedLoadsRaiseNavigateErrorWithTheAddress) {
    const QString missing = url("/missing");
    ASSERT_TRUE(load(*pane_, events_, missing));
    EXPECT_EQ(events_.errors, QStringList{missing});

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/soft/").arg(closed.serverPort());
    closed.close();
    ASSERT_TRUE(load(*pane_, events_, refused));
    EXPECT_EQ(events_.errors, (QStringList{missing, refused}));

    ASSERT_TRUE(load(*pane_, events_, url("/two")));
    EXPECT_EQ(events_.errors.size(), 2);
    EXPECT_EQ(events_.begun, 3);
    EXPECT_EQ(events_.completed, 3);
}

TEST_F(WebPaneTest, SilentPaneShowsNoDialogsAndThePageGoesOn) {
    DialogWatch dialogs;
    EXPECT_TRUE(pane_->silent());
    open(url("/dialogs"));
    EXPECT_EQ(title(*pane_), "after false null");

    // A page that asks before being left is left without a question.
    open(url("/leave"));
    mouse_click(*pane_, center_of(*pane_, QStringLiteral("body")));
    ASSERT_TRUE(load(*pane_, events_, url("/two")));
    EXPECT_EQ(title(*pane_), "two");
    EXPECT_EQ(dialogs.shown(), 0);
}

TEST_F(WebPaneTest, RightClickReportsTheRawHrefAndPointerWithoutAMenuOfItsOwn) {
    open(url("/links"));

    const QPoint on_link = center_of(*pane_, QStringLiteral("qvod"));
    mouse_click(*pane_, on_link, Qt::RightButton);
    ASSERT_TRUE(wait_for([&] { return events_.menus.size() == 1; }));
    mouse_click(*pane_, center_of(*pane_, QStringLiteral("empty")), Qt::RightButton);
    ASSERT_TRUE(wait_for([&] { return events_.menus.size() == 2; }));

    EXPECT_EQ(events_.menus[0].second, kQvodLink);
    const QPoint expected = view_of(*pane_)->mapToGlobal(on_link);
    EXPECT_LE((events_.menus[0].first - expected).manhattanLength(), 2)
        << events_.menus[0].first.x() << "," << events_.menus[0].first.y();
    EXPECT_EQ(events_.menus[1].second, "");
    EXPECT_FALSE(menu_visible());
    EXPECT_TRUE(events_.navigations.isEmpty());
}

TEST_F(WebPaneTest, OrdinaryLinksLoadAndHistoryMovesBackAndForth) {
    pane_->go_back();
    pane_->go_forward();
    open(url("/links"));

    mouse_click(*pane_, center_of(*pane_, QStringLiteral("two")));
    ASSERT_TRUE(wait_for([&] { return title(*pane_) == "two"; }));
    EXPECT_EQ(events_.navigations, QStringList{url("/two")});
    EXPECT_EQ(pane_->current_address(), url("/two"));

    pane_->go_back();
    ASSERT_TRUE(wait_for([&] { return title(*pane_) == "links"; }));
    pane_->go_forward();
    ASSERT_TRUE(wait_for([&] { return title(*pane_) == "two"; }));

    // A handler that cancels an ordinary address keeps the page.
    events_.cancels = [](const QString&) { return true; };
    pane_->go_back();
    settle(*pane_);
    EXPECT_EQ(title(*pane_), "two");
}

TEST_F(WebPaneTest, NewWindowsAreReportedAndNeverOpened) {
    open(url("/links"));
    const int windows_before = QApplication::topLevelWidgets().size();
    events_.cancels = [](const QString&) { return false; };

    run_js(*pane_, QStringLiteral("document.getElementById('blank').click()"));
    ASSERT_TRUE(wait_for([&] { return events_.windows.size() == 1; }));
    run_js(*pane_, QStringLiteral("window.open('/two')"));
    ASSERT_TRUE(wait_for([&] { return events_.windows.size() == 2; }));
    mouse_click(*pane_, center_of(*pane_, QStringLiteral("bovod")), Qt::MiddleButton);
    ASSERT_TRUE(wait_for([&] { return events_.windows.size() == 3; }));

    EXPECT_EQ(events_.windows, (QStringList{"eeqvod://win&&&第2集", url("/two"), kBovodLink}));
    EXPECT_EQ(events_.navigations, events_.windows);

    // Cancelled in the handler, the link opens nothing.
    events_.cancels = is_client_link;
    run_js(*pane_, QStringLiteral("document.getElementById('blank').click()"));
    ASSERT_TRUE(wait_for([&] { return events_.navigations.size() == 4; }));
    settle(*pane_);
    EXPECT_EQ(events_.windows.size(), 3);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows_before);
    EXPECT_EQ(title(*pane_), "links");
}

TEST_F(WebPaneTest, HandlersOfWindowsAndMenusMayDeleteThePane) {
    // The floating advertisement window closes when its page opens a window.
    open(url("/links"));
    pane_->new_window = [&](const QString&) { pane_.reset(); };
    run_js(*pane_, QStringLiteral("window.open('/two')"));
    ASSERT_TRUE(wait_for([&] { return pane_ == nullptr; }));

    pane_ = factory_.create_pane(&container_, QStringLiteral("catalogue_pane"));
    events_.attach(*pane_);
    open(url("/links"));
    pane_->context_menu = [&](QPoint, const QString&) { pane_.reset(); };
    mouse_click(*pane_, center_of(*pane_, QStringLiteral("two")), Qt::RightButton);
    ASSERT_TRUE(wait_for([&] { return pane_ == nullptr; }));

    // The engine goes on serving other panes.
    pane_ = factory_.create_pane(&container_, QStringLiteral("catalogue_pane"));
    events_.attach(*pane_);
    open(url("/two"));
    EXPECT_EQ(title(*pane_), "two");
}

TEST_F(WebPaneTest, HiddenPanesReportTheirPagesNavigationsToo) {
    QWidget hidden;
    std::unique_ptr<WebPane> pane =
        factory_.create_pane(&hidden, QStringLiteral("web_player_pane"));
    PaneEvents events;
    events.attach(*pane);
    ASSERT_TRUE(load(*pane, events, url("/links")));

    run_js(*pane, QStringLiteral("location.href = '%1'").arg(kQvodLink));
    run_js(*pane, QStringLiteral("location.href = '%1'").arg(kEpisodeEnd));

    ASSERT_TRUE(wait_for([&] { return events.navigations.size() == 3; }));
    EXPECT_EQ(events.navigations, (QStringList{url("/links"), kQvodLink, kEpisodeEnd}));
}

TEST_F(WebPaneTest, PagesWithoutCharacterSetReadAsGbk) {
    open(url("/gbk"));
    EXPECT_EQ(run_js(*pane_, QStringLiteral("document.body.innerText")).toString(),
              QStringLiteral("中文的页"));
}

} // namespace

TEST_F(WebPaneTest, ScriptEscapesInAnAddressReachTheServerAsTheyStand) {
    server_->set("/pp.htm", {"<html><head><title>episodes</title></head><body>pp</body></html>"});
    const QString address = url("/pp.htm?1001-1-1-%u957F%u6CB3-0");
    events_.cancels = [](const QString&) { return false; };
    ASSERT_TRUE(load(*pane_, events_, address));
    EXPECT_EQ(events_.navigations, QStringList{address}); // the handler ran once
    EXPECT_EQ(run_js(*pane_, "document.title").toString(), "episodes");
    std::vector<std::string> pages;
    for (const std::string& target : server_->targets()) {
        if (target.rfind("/pp.htm", 0) == 0)
            pages.push_back(target);
    }
    EXPECT_EQ(pages, std::vector<std::string>{"/pp.htm?1001-1-1-%u957F%u6CB3-0"});
}

TEST_F(WebPaneTest, ScriptEscapesReachTheServerAlsoFromALocalPage) {
    QTemporaryDir dir;
    const QString page = dir.filePath("c.htm");
    {
        QFile f(page);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<html><body>local</body></html>");
    }
    events_.cancels = [](const QString&) { return false; };
    open(page);
    server_->set("/pp.htm", {"<html><head><title>episodes</title></head><body>pp</body></html>"});
    ASSERT_TRUE(load(*pane_, events_, url("/pp.htm?2001-1-2-%u6D41-0")));
    EXPECT_EQ(run_js(*pane_, "document.title").toString(), "episodes");
}
