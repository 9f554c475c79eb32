// Keys typed into a real browser pane of the main window: into a field of the
// page they are the page's; elsewhere they reach the window's key handler
// first, once, and then the page.

#include "desktop/desktop_platform.h"
#include "desktop/web_engine_pane.h"
#include "desktop/web_pane_driver.h"
#include "window/main_window.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace kelvara::test {
namespace {

// Only the volume matters here.
class VolumePlayer : public PlayerControl {
public:
    explicit VolumePlayer(QWidget* container) : widget_(new QWidget(container)) {}
    ~VolumePlayer() override { delete widget_; }
    QWidget* widget() override { return widget_; }
    QString Url() const override { return {}; }
    void setUrl(const QString&) override {}
    void Play() override {}
    void Pause() override {}
    void Stop() override {}
    void setMute(int) override {}
    void setFullScreen(int) override {}
    int Volume() const override { return volume; }
    void setVolume(int v) override { volume = v; }
    int Duration() const override { return 0; }
    int Position() const override { return 0; }
    void setPosition(int) override {}
    int PlayState() const override { return 0; }
    int DownloadRate() const override { return 0; }
    int BitRate() const override { return 0; }
    int DownloadPermille() const override { return 0; }
    void PreloadNext(const QString&) override {}
    void setAdPage(const QString&) override {}
    QString AdPage() const override { return {}; }

    int volume = 50;

private:
    QWidget* widget_;
};

class VolumePlayers : public PlayerFactory {
public:
    std::unique_ptr<PlayerControl> create_player(QWidget* container) override {
        auto p = std::make_unique<VolumePlayer>(container);
        player = p.get();
        return p;
    }
    VolumePlayer* player = nullptr;
};

TEST(KeyPreview, KeysTypedIntoAPageFieldAreThePagesAndOthersReachTheWindowOnceFirst) {
    QTemporaryDir dir;
    DesktopPlatform desktop(dir.path());
    Platform& d = desktop.platform();
    VolumePlayers players;
    WebEnginePaneFactory panes{QString()}; // off the record: nothing left in the folder
    Platform platform{d.timers,  d.events,  d.transfer, d.processes, d.shell,
                      d.dialogs, d.tray,    d.power,    d.machine,   panes,
                      players,   d.channel, d.qvod,     d.media,     d.screen_saver};
    MainWindow w(platform, dir.path(), QStringLiteral("http://127.0.0.1:9/soft/"));
    w.show();
    PaneEvents events;
    events.attach(*w.catalogue_pane);
    // The catalogue's search box; the page counts the keys it gets.
    ASSERT_TRUE(load(*w.catalogue_pane, events,
                     QStringLiteral("data:text/html;charset=utf-8,"
                                    "<body onkeydown=\"window.n=(window.n||0)+1\">"
                                    "<input id=wd type=search placeholder=搜索影片>"
                                    "</body>")));
    QWidget* view = view_of(*w.catalogue_pane)->focusProxy();
    ASSERT_NE(view, nullptr);
    const auto page_keys = [&] {
        return run_js(*w.catalogue_pane, QStringLiteral("window.n || 0")).toInt();
    };

    // The user clicks into the search box.
    w.activateWindow();
    const QVariantList r =
        run_js(*w.catalogue_pane, QStringLiteral("(r => [r.x, r.y, r.width, r.height])("
                                                 "document.getElementById('wd')."
                                                 "getBoundingClientRect())"))
            .toList();
    ASSERT_EQ(r.size(), 4);
    QTest::mouseClick(view, Qt::LeftButton, {},
                      QPoint(r[0].toInt() + r[2].toInt() / 2, r[1].toInt() + r[3].toInt() / 2));
    ASSERT_TRUE(wait_for([&] { return view->testAttribute(Qt::WA_InputMethodEnabled); }));
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_Down, Qt::Key_Space})
        QTest::keyClick(view, key);
    QTest::keyClicks(view, QStringLiteral("ab"));
    ASSERT_TRUE(wait_for([&] { return page_keys() == 6; }));
    EXPECT_EQ(players.player->volume, 50);
    EXPECT_EQ(
        run_js(*w.catalogue_pane, QStringLiteral("document.getElementById('wd').value")).toString(),
        QStringLiteral(" ab"));

    // Off the field (a click beside it), the window has the key first, once,
    // and then the page.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(view->width() - 20, view->height() - 20));
    ASSERT_TRUE(wait_for([&] { return !view->testAttribute(Qt::WA_InputMethodEnabled); }));
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(players.player->volume, 60);
    EXPECT_EQ(w.status_label->caption(), QStringLiteral("音量：60%"));
    ASSERT_TRUE(wait_for([&] { return page_keys() == 7; }));

    // With the player area hidden the page alone has the key.
    w.qvod->hide();
    QTest::keyClick(view, Qt::Key_Up);
    ASSERT_TRUE(wait_for([&] { return page_keys() == 8; }));
    EXPECT_EQ(players.player->volume, 60);
}

} // namespace
} // namespace kelvara::test
