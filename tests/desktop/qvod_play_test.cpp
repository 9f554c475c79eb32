// qvod:// addresses played end to end: the player control on real libmpv,
// a QVOD folder set up from the build's own copy, the QvodTerminal.exe the
// control starts from it, and the demo server's throttled seeds, all on
// 127.0.0.1 (run under Xvfb, without sound).

#include "demo_server/demo_server.h"
#include "desktop/event_wait.h"
#include "desktop/mpv_player.h"
#include "desktop/qvod_folder.h"
#include "desktop/terminal_streams.h"
#include "logic/text/text_files.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

// Connections the process's http_proxy received: none may.
int g_proxy_hits = 0;

// Runs the event loop until `done` holds or the time is up.
QByteArray sha1_of_file(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&file);
    return hash.result().toHex();
}

QString file_text(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Processes (not zombies) whose program lies under `folder`.
std::vector<pid_t> processes_under(const QString& folder) {
    std::vector<pid_t> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number)
            continue;
        const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
        if (!exe.startsWith(folder + u'/'))
            continue;
        const QString stat = file_text(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype paren = stat.lastIndexOf(u')');
        if (paren > 0 && paren + 2 < stat.size() && stat[paren + 2] != u'Z')
            found.push_back(pid);
    }
    return found;
}

// What the control reported at one moment.
struct Sample {
    int state;
    int permille;
    int rate;
    int position;
};

// "state@position/permille" each time one of them changed.
std::string states_seen(const std::vector<Sample>& samples) {
    std::string seen;
    const Sample* last = nullptr;
    for (const Sample& s : samples) {
        if (last && last->state == s.state && last->position == s.position &&
            last->permille == s.permille)
            continue;
        seen += std::to_string(s.state) + "@" + std::to_string(s.position) + "/" +
                std::to_string(s.permille) + " ";
        last = &s;
    }
    return seen;
}

class QvodPlay : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        app_dir_ = root_.path() + QStringLiteral("/app");
        downloads_ = root_.path() + QStringLiteral("/影视下载/");
        ASSERT_TRUE(demo_.start());

        QvodFolder qvod(app_dir_, QStringLiteral(KELVARA_QVOD_INSTALLED));
        ASSERT_TRUE(qvod.installed_copy_present());
        qvod.register_control();
        ASSERT_TRUE(qvod.control_available());
        folder_ = qvod.folder();
        const QString settings = folder_ + QStringLiteral("/QvodPlayer.xml");
        EXPECT_TRUE(file_text(settings).contains(QDir::homePath() + QStringLiteral("/Media/")));
        ASSERT_TRUE(write_text_atomically(settings, default_qvod_settings(downloads_)));
        ASSERT_TRUE(qvod.use_only_source(QString::fromStdString(demo_.seed_url())));

        streams_ = std::make_unique<TerminalStreams>(folder_);
        // Small and in the screen's far corner: tests that run alongside on
        // the same display look at what is drawn near its top left.
        container_.resize(160, 120);
        container_.move(QGuiApplication::primaryScreen()->geometry().bottomRight() -
                        QPoint(160, 120));
        container_.show();
        player_ = MpvPlayerFactory(streams_.get()).create_player(&container_);
        player_->widget()->setGeometry(0, 0, 160, 120);
        player_->widget()->show();
        g_proxy_hits = 0;
    }

    void TearDown() override {
        player_.reset();
        streams_.reset();
        end_terminal();
        EXPECT_EQ(g_proxy_hits, 0) << "loopback addresses never go through the proxy";
    }

    // The terminal runs detached from the control: SIGTERM to the pid of
    // its port file, and nothing of the folder may be left running.
    void end_terminal() {
        const QStringList lines =
            file_text(folder_ + QStringLiteral("/QvodTerminal.port")).split(u'\n');
        if (lines.size() >= 2 && lines[1].toInt() > 0) {
            ::kill(lines[1].toInt(), SIGTERM);
            run_until([&] { return processes_under(folder_).empty(); }, 5000);
        }
        const std::vector<pid_t> left = processes_under(folder_);
        EXPECT_TRUE(left.empty()) << left.size() << " terminal processes left running";
        for (const pid_t pid : left)
            ::kill(pid, SIGKILL);
    }

    // A demo clip under an address of our own naming.
    QString address_of(const std::string& file, const QString& name, DemoClip* clip = nullptr) {
        for (const DemoClip& c : demo_.clips()) {
            if (c.file != file)
                continue;
            if (clip)
                *clip = c;
            return QStringLiteral("qvod://%1|%2|%3|")
                .arg(c.size)
                .arg(QString::fromStdString(c.sha1).toUpper(), name);
        }
        ADD_FAILURE() << "no demo clip " << file;
        return {};
    }

    Sample sample() const {
        return {player_->PlayState(), player_->DownloadPermille(), player_->DownloadRate(),
                player_->Position()};
    }

    // Runs the event loop, recording what the control reports, until `done`.
    bool watch(std::vector<Sample>& samples, const std::function<bool()>& done, int timeout_ms) {
        return run_until(
            [&] {
                samples.push_back(sample());
                return done();
            },
            timeout_ms);
    }

    // The film is in the download folder under its name, verified, and
    // nothing of the download is left beside it but its record.
    void expect_finished_film(const QString& name, const DemoClip& clip) {
        const QString path = downloads_ + name;
        EXPECT_EQ(QFileInfo(path).size(), clip.size);
        EXPECT_EQ(sha1_of_file(path), QByteArray::fromStdString(clip.sha1));
        const QStringList leftovers =
            QDir(downloads_).entryList({QStringLiteral("*.kvtmp")}, QDir::Files | QDir::Hidden);
        EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(u' ').toStdString();
        const QString record = QString::fromStdString(terminal_api::record_file_name(clip.sha1));
        EXPECT_TRUE(QFileInfo::exists(downloads_ + record));
    }

    QTemporaryDir root_;
    QString app_dir_;
    QString downloads_;
    QString folder_;
    DemoServer demo_;
    std::unique_ptr<TerminalStreams> streams_;
    QWidget container_;
    std::unique_ptr<PlayerControl> player_;
};

TEST_F(QvodPlay, PlaysWhileItDownloadsAndKeepsTheVerifiedFilm) {
    DemoClip clip;
    const QString name = QStringLiteral("长河落日 高清版.mp4");
    const QString address = address_of("film_1001.mp4", name, &clip);
    // About five seconds for the whole film, three times its bit rate.
    demo_.set_seed_rate(24 * 1024);

    player_->setUrl(address);
    player_->Play();
    EXPECT_EQ(player_->PlayState(), 10) << "connecting";
    std::vector<Sample> samples;
    ASSERT_TRUE(watch(
        samples, [&] { return player_->PlayState() == 3 && player_->Position() >= 1; }, 10000))
        << "state " << player_->PlayState();
    for (const Sample& s : samples) {
        if (s.state == 3)
            break;
        EXPECT_TRUE(s.state == 10 || s.state == 4) << "state " << s.state << " while opening";
    }
    ASSERT_TRUE(watch(
        samples,
        [&] { return player_->DownloadPermille() == 1000 && QFileInfo::exists(downloads_ + name); },
        15000));

    int last_permille = 0;
    bool played_while_downloading = false;
    bool rate_while_downloading = false;
    for (const Sample& s : samples) {
        EXPECT_GE(s.permille, last_permille) << "progress never goes back";
        last_permille = s.permille;
        played_while_downloading |= s.state == 3 && s.position >= 1 && s.permille < 1000;
        rate_while_downloading |= s.permille > 0 && s.permille < 1000 && s.rate > 0;
    }
    EXPECT_TRUE(played_while_downloading);
    EXPECT_TRUE(rate_while_downloading);
    EXPECT_EQ(player_->Url(), address);
    EXPECT_EQ(player_->Duration(), 15);
    const int position = player_->Position();
    EXPECT_TRUE(run_until([&] { return player_->Position() >= position + 1; }, 3000))
        << "plays on from the finished file";
    expect_finished_film(name, clip);
}

TEST_F(QvodPlay, StalledSeedShowsReconnectingAndPlaysOnOnceItMoves) {
    DemoClip clip;
    const QString name = QStringLiteral("星海信号.mp4");
    const QString address = address_of("film_1002.mp4", name, &clip);
    demo_.set_seed_rate(48 * 1024);
    // About six seconds of the film come before the stall.
    demo_.set_seed_stall(clip.sha1, clip.size * 2 / 5);

    player_->setUrl(address);
    player_->Play();
    ASSERT_TRUE(run_until([&] { return player_->PlayState() == 3; }, 8000));
    std::vector<Sample> samples;
    // The terminal gives a silent source 15 seconds before it reconnects.
    ASSERT_TRUE(watch(
        samples, [&] { return player_->PlayState() == 8 || player_->PlayState() == 10; }, 22000))
        << "state " << player_->PlayState();
    // Buffering (4) until the terminal gives up on the silent connection.
    for (const Sample& s : samples)
        EXPECT_TRUE(s.state == 3 || s.state == 4 || s.state == 8 || s.state == 10)
            << "state " << s.state << " at a stalled seed: " << states_seen(samples);
    const int stuck_at = player_->Position();
    EXPECT_LT(stuck_at, 8);
    EXPECT_LT(player_->DownloadPermille(), 500);
    EXPECT_EQ(player_->DownloadRate(), 0);

    demo_.set_seed_stall(clip.sha1, std::nullopt);
    ASSERT_TRUE(run_until([&] { return player_->PlayState() == 3; }, 8000))
        << "state " << player_->PlayState();
    EXPECT_TRUE(run_until([&] { return player_->Position() >= stuck_at + 2; }, 5000));
    ASSERT_TRUE(run_until([&] { return QFileInfo::exists(downloads_ + name); }, 10000));
    expect_finished_film(name, clip);
}

TEST_F(QvodPlay, PreloadNextFetchesTheNextEpisodeInTheBackground) {
    DemoClip first, next;
    const QString first_name = QStringLiteral("流浪者 第1集.mp4");
    const QString next_name = QStringLiteral("流浪者 第2集.mp4");
    const QString address = address_of("series_2001_01.mp4", first_name, &first);
    const QString next_address = address_of("series_2001_02.mp4", next_name, &next);
    demo_.set_seed_rate(32 * 1024);

    player_->setUrl(address);
    player_->Play();
    ASSERT_TRUE(run_until([&] { return player_->PlayState() == 3; }, 8000));
    EXPECT_FALSE(streams_->status(next_address)) << "not asked for yet";
    player_->PreloadNext(next_address);
    const std::optional<QvodStreams::Status> status = streams_->status(next_address);
    ASSERT_TRUE(status) << "the terminal knows the next episode at once";
    EXPECT_FALSE(status->failed);
    EXPECT_LT(status->permille, 1000);

    ASSERT_TRUE(run_until([&] { return QFileInfo::exists(downloads_ + next_name); }, 10000));
    expect_finished_film(next_name, next);
    EXPECT_EQ(streams_->status(next_address)->permille, 1000);
    EXPECT_EQ(player_->Url(), address) << "the current episode plays on";
    EXPECT_TRUE(player_->PlayState() == 3 || player_->PlayState() == 6);

    // The next episode then plays from the finished file.
    player_->Stop();
    player_->setUrl(next_address);
    player_->Play();
    ASSERT_TRUE(run_until([&] { return player_->PlayState() == 3; }, 5000));
    EXPECT_TRUE(run_until([&] { return player_->DownloadPermille() == 1000; }, 2500))
        << "the terminal's figures come with its next poll";
}

TEST_F(QvodPlay, FilmGoesOnWhereItStoodWhenItsTerminalDies) {
    DemoClip clip;
    const QString name = QStringLiteral("纸飞机.mp4");
    const QString address = address_of("film_1004.mp4", name, &clip);
    // Slower than the film: mpv runs out of data soon after the terminal goes.
    demo_.set_seed_rate(6 * 1024);
    player_->setUrl(address);
    player_->Play();
    ASSERT_TRUE(
        run_until([&] { return player_->PlayState() == 3 && player_->Position() >= 1; }, 10000));
    const QString port_file = folder_ + QStringLiteral("/QvodTerminal.port");
    const int old_pid = file_text(port_file).split(u'\n').value(1).toInt();
    ASSERT_GT(old_pid, 0);
    ::kill(old_pid, SIGKILL);
    const int stood_at = player_->Position();
    demo_.set_seed_rate(64 * 1024);

    std::vector<Sample> samples;
    ASSERT_TRUE(watch(
        samples, [&] { return player_->PlayState() == 3 && player_->Position() >= stood_at + 2; },
        10000))
        << "state " << player_->PlayState() << " at " << player_->Position();
    for (const Sample& s : samples)
        EXPECT_TRUE(s.state == 3 || s.state == 4 || s.state == 10)
            << "state " << s.state << " after the terminal died: " << states_seen(samples);
    const int new_pid = file_text(port_file).split(u'\n').value(1).toInt();
    EXPECT_GT(new_pid, 0);
    EXPECT_NE(new_pid, old_pid) << "a new terminal took over";
    ASSERT_TRUE(run_until([&] { return QFileInfo::exists(downloads_ + name); }, 10000));
    expect_finished_film(name, clip);
}

TEST_F(QvodPlay, TerminalThatCannotStartLeavesTheWindowResponsive) {
    // Another process holds the folder: every terminal started exits at once.
    const QByteArray lock_path = QFile::encodeName(folder_ + QStringLiteral("/QvodTerminal.lock"));
    const int lock = ::open(lock_path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    const QString address = address_of("film_1003.mp4", QStringLiteral("雾城来客.mp4"));

    player_->setUrl(address);
    QElapsedTimer clock;
    clock.start();
    player_->Play();
    EXPECT_LT(clock.elapsed(), 2500) << "Play waits out a terminal that ended";
    EXPECT_EQ(player_->PlayState(), 10);
    qint64 longest_turn = 0;
    clock.restart();
    run_until(
        [&] {
            longest_turn = std::max(longest_turn, clock.restart());
            EXPECT_EQ(player_->PlayState(), 10);
            return false;
        },
        2500);
    EXPECT_LT(longest_turn, 1500) << "the event loop stalls while the terminal is sought";

    ::close(lock); // now a terminal can start, and the film plays
    EXPECT_TRUE(run_until([&] { return player_->PlayState() == 3; }, 10000))
        << "state " << player_->PlayState();
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS(); // listing needs no display
    qputenv("KELVARA_MPV_AO", "null");
    QApplication app(argc, argv);
    // A proxy in the environment must not take the loopback addresses: the
    // terminal's streams, its sources and the demo server.
    QTcpServer proxy;
    if (!proxy.listen(QHostAddress::LocalHost))
        return 1;
    QObject::connect(&proxy, &QTcpServer::newConnection, [&proxy] {
        while (QTcpSocket* socket = proxy.nextPendingConnection()) {
            ++g_proxy_hits;
            socket->close();
            socket->deleteLater();
        }
    });
    const QByteArray proxy_url = "http://127.0.0.1:" + QByteArray::number(proxy.serverPort());
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "all_proxy"})
        qputenv(name, proxy_url);
    return RUN_ALL_TESTS();
}
