// Two real clients on one application folder: a later start hands its
// command text to the first and ends. Runs under Xvfb.

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>

#include "app/process_helpers.h"
#include "logic/history/history_files.h"
#include "shared/gbk.h"

namespace {

// Every file and folder below `root`.
QStringList tree(const QString& root) {
    QStringList names;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(it.next());
    names.sort();
    return names;
}

class Handoff : public ::testing::Test {
protected:
    void TearDown() override {
        for (QProcess* p : clients) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
            delete p;
        }
    }

    // Starts the client in `folder` (the test's own when empty).
    QProcess* start(const QStringList& args, const QString& folder = {}) {
        auto* p = new QProcess;
        if (!folder.isEmpty())
            p->setWorkingDirectory(folder);
        clients.push_back(p);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KELVARA_HOME", home.path());
        env.insert("KELVARA_SERVER", "http://127.0.0.1:9/soft/");
        env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
        env.insert("KELVARA_MPV_AO", "null");
        // Never the machine's power-off.
        env.insert("KELVARA_POWEROFF", "touch '" + home.filePath("poweroff-ran") + "'");
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral(KELVARA_BINARY), args);
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }
    // The first instance, once it has set up its folder.
    QProcess* start_first() {
        QProcess* p = start({});
        EXPECT_TRUE(kelvara::test::poll_until([&] { return QFile::exists(home.filePath("f.htm")); },
                                              60000));
        QThread::msleep(1000);
        return p;
    }
    // A later start: it must end by itself, with code 0, within `ms`.
    qint64 run_second(const QStringList& args, int ms = 10000, const QString& folder = {}) {
        QElapsedTimer t;
        t.start();
        QProcess* p = start(args, folder);
        EXPECT_TRUE(p->waitForFinished(ms)) << "a later start did not end";
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0);
        return t.elapsed();
    }
    QString local_list() const {
        return QString::fromLatin1(kelvara::test::file_bytes(home.filePath("date_f.dat")));
    }

    QTemporaryDir home;
    std::vector<QProcess*> clients;
};

} // namespace

TEST_F(Handoff, QuotedPathWithSpacesPlaysInTheFirstInstance) {
    const QString clip = QStringLiteral(KELVARA_TEST_CLIP);
    ASSERT_TRUE(QFile::exists(clip)) << "needs the player's test clip";
    QTemporaryDir media;
    const QString folder = media.filePath("my films");
    QDir().mkpath(folder);
    const QString a = folder + "/a clip.mp4";
    const QString b = folder + "/b clip.mp4";
    ASSERT_TRUE(QFile::copy(clip, a));
    ASSERT_TRUE(QFile::copy(clip, b));

    QProcess* first = start_first();
    run_second({"\"" + a + "\""});
    ASSERT_TRUE(kelvara::test::poll_until(
        [&] { return local_list().startsWith("a clip.mp4|" + a + "|0\r\n"); }, 20000))
        << local_list().toStdString();
    EXPECT_EQ(first->state(), QProcess::Running);

    // It plays: the next hand-off stops it, which stores how far it got.
    QThread::msleep(3500);
    run_second({b});
    const QRegularExpression played("^b clip\\.mp4\\|" + QRegularExpression::escape(b) +
                                    "\\|0\r\na clip\\.mp4\\|" + QRegularExpression::escape(a) +
                                    "\\|[1-9][0-9]*\r\n");
    EXPECT_TRUE(
        kelvara::test::poll_until([&] { return played.match(local_list()).hasMatch(); }, 20000))
        << local_list().toStdString();
    EXPECT_FALSE(QFile::exists(home.filePath("poweroff-ran")));
}

TEST_F(Handoff, LaterStartWithoutArgumentsEndsAtOnceAndCreatesNothing) {
    QProcess* first = start_first();
    const QStringList before = tree(home.path());
    const QByteArray local = kelvara::test::file_bytes(home.filePath("date_f.dat"));
    const qint64 ms = run_second({});
    EXPECT_LT(ms, 5000);
    EXPECT_EQ(tree(home.path()), before);
    EXPECT_EQ(kelvara::test::file_bytes(home.filePath("date_f.dat")), local);
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(Handoff, StartAfterTheFirstWasKilledBecomesTheFirst) {
    QProcess* first = start_first();
    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    ASSERT_TRUE(first->waitForFinished(10000));

    QProcess* next = start({});
    EXPECT_FALSE(next->waitForFinished(5000)) << "the new start handed over to a dead instance";
    EXPECT_EQ(next->state(), QProcess::Running);
    // And it answers later starts.
    run_second({});
    EXPECT_EQ(next->state(), QProcess::Running);
}

TEST_F(Handoff, RelativePathsPlayFromTheFolderOfTheirStartAlsoWhileTheFirstStarts) {
    const QString clip = QStringLiteral(KELVARA_TEST_CLIP);
    ASSERT_TRUE(QFile::exists(clip)) << "needs the player's test clip";
    QTemporaryDir media;
    const QString films = media.filePath(QStringLiteral("片库 Señor"));
    const QString other = media.filePath(QStringLiteral("其他 100%"));
    QDir().mkpath(films);
    QDir().mkpath(other);
    const QString first_film = films + QStringLiteral("/长河 1.mp4");
    const QString second_film = other + QStringLiteral("/clip%7C2.mp4");
    ASSERT_TRUE(QFile::copy(clip, first_film));
    ASSERT_TRUE(QFile::copy(clip, second_film));
    const auto record = [](const QString& path) {
        return kelvara::to_gbk(kelvara::local_name_field(QFileInfo(path).fileName()) + "|" +
                               kelvara::local_path_field(path) + "|");
    };
    const auto list = [&] { return kelvara::test::file_bytes(home.filePath("date_f.dat")); };

    // The later start comes while the first one is still setting up.
    QProcess* first = start({QStringLiteral("长河 1.mp4")}, films);
    // It has claimed the channel and sets its folder up; its window is not
    // there yet.
    ASSERT_TRUE(kelvara::test::poll_until(
        [&] { return QFile::exists(home.filePath("config.ini")); }, 30000));
    run_second({QStringLiteral("\"clip%7C2.mp4\"")}, 15000, other);
    EXPECT_TRUE(kelvara::test::poll_until(
        [&] { return list().startsWith(record(second_film) + "0\r\n" + record(first_film)); },
        60000))
        << list().constData();
    EXPECT_EQ(first->state(), QProcess::Running);
}
