// Installs the built programs into a temporary prefix, moves the tree, and
// runs the installed client from there as the desktop would. Runs under Xvfb.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <httplib.h>

#include "app/process_helpers.h"

namespace {

const QString kAppId = QStringLiteral(KELVARA_APP_ID);

struct ProgramRun {
    int exit_code = -1;
    QString output; // standard output and error
};

// Runs a program to its end; exit code -1 when it did not start or end.
ProgramRun run(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = {}) {
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000) || !p.waitForFinished(120000))
        return {-1, program + QLatin1String(" did not run: ") + p.errorString()};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAll())};
}

// The port of the demo server the client put into its QVOD settings as the
// only source; 0 before it did.
int demo_port(const QString& qvod_settings) {
    static const QRegularExpression source("<Source url=\"http://127\\.0\\.0\\.1:([0-9]+)/seed/\"");
    const QRegularExpressionMatch m =
        source.match(QString::fromLatin1(kelvara::test::file_bytes(qvod_settings)));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

class InstalledClient : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Installed into one prefix, then moved elsewhere as a whole: the
        // programs may only rely on where they are relative to each other.
        const QString staged = tree->filePath(QStringLiteral("staged"));
        const ProgramRun install = run(QStringLiteral(KELVARA_CMAKE),
                                       {"--install", KELVARA_BUILD_DIR, "--prefix", staged});
        ASSERT_EQ(install.exit_code, 0) << install.output.toStdString();
        prefix = tree->filePath(QStringLiteral("移动 后/usr"));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(prefix).path()));
        ASSERT_TRUE(QDir().rename(staged, prefix));
    }
    static void TearDownTestSuite() { tree.reset(); }

    static QString installed(const QString& path) { return prefix + u'/' + path; }

    static inline std::unique_ptr<QTemporaryDir> tree = std::make_unique<QTemporaryDir>();
    static inline QString prefix;
};

} // namespace

TEST_F(InstalledClient, AnswersHelpAndVersionOnlyWhenAlone) {
    const QString kelvara = installed("bin/kelvara");
    // No display is needed to ask.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    const ProgramRun version = run(kelvara, {"--version"}, env);
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.output, "Kelvara " KELVARA_VERSION "\n");
    EXPECT_EQ(run(kelvara, {"-v"}, env).output, version.output);
    const ProgramRun help = run(kelvara, {"--help"}, env);
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_TRUE(help.output.startsWith("Usage: ")) << help.output.toStdString();
    EXPECT_TRUE(help.output.contains("--version")) << help.output.toStdString();
}

TEST_F(InstalledClient, DesktopEntryAndMetadataValidate) {
    const QString entry = installed("share/applications/" + kAppId + ".desktop");
    const ProgramRun desktop = run("desktop-file-validate", {entry});
    EXPECT_EQ(desktop.exit_code, 0) << desktop.output.toStdString();
    EXPECT_EQ(desktop.output, "");
    // The metadata together with the desktop entry it launches, in the tree.
    const ProgramRun metadata =
        run("appstreamcli", {"validate-tree", "--no-net", "--no-color", QFileInfo(prefix).path()});
    EXPECT_EQ(metadata.exit_code, 0) << metadata.output.toStdString();
    // The icon the entry names is in the theme at every size it is drawn at.
    const QString desktop_text = QString::fromUtf8(kelvara::test::file_bytes(entry));
    EXPECT_TRUE(desktop_text.contains("\nIcon=" + kAppId + "\n"));
    for (const QString size : {"16x16", "32x32", "48x48", "256x256"})
        EXPECT_TRUE(
            QFile::exists(installed("share/icons/hicolor/" + size + "/apps/" + kAppId + ".png")))
            << size.toStdString();
    EXPECT_TRUE(QFile::exists(installed("share/icons/hicolor/scalable/apps/" + kAppId + ".svg")));
}

TEST_F(InstalledClient, StartsWithItsTerminalAndDemoCatalogueAndQuitsCleanly) {
    QTemporaryDir home_root;
    const QString home = home_root.filePath(QStringLiteral("用户 数据"));
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KELVARA_HOME", home);
    env.remove("KELVARA_SERVER");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.insert("KELVARA_MPV_AO", "null");
    env.insert("KELVARA_POWEROFF", "true");
    env.insert("QT_LOGGING_RULES", "kelvara.panes.debug=true");
    env.insert("QT_MESSAGE_PATTERN", "%{category}|%{message}");
    client.setProcessEnvironment(env);
    client.setProcessChannelMode(QProcess::MergedChannels);
    // Started away from the tree, as from the menu.
    client.setWorkingDirectory(home_root.path());
    // A clip of the installed tree that differs from the source tree's, to
    // tell where the demo server read it from.
    const QString clip_path = installed("share/kelvara/media/film_1001.mp4");
    QFile clip_file(clip_path);
    ASSERT_TRUE(clip_file.open(QIODevice::Append));
    clip_file.write("installed");
    clip_file.close();
    client.start(installed("bin/kelvara"), {});
    ASSERT_TRUE(client.waitForStarted(10000));

    QString log;
    const QRegularExpression catalogue_shown(
        "kelvara\\.panes\\|load finished catalogue_pane ok http://127\\.0\\.0\\.1:[0-9]+/soft/\n");
    const bool shown = kelvara::test::poll_until(
        [&] {
            // Without an event loop the output only arrives while waited for.
            client.waitForReadyRead(50);
            log += QString::fromUtf8(client.readAll());
            return catalogue_shown.match(log).hasMatch() || client.state() == QProcess::NotRunning;
        },
        60000);
    EXPECT_TRUE(shown && catalogue_shown.match(log).hasMatch()) << log.toStdString();

    // The QVOD folder was set up from the installed terminal.
    const QByteArray terminal =
        kelvara::test::file_bytes(installed("libexec/kelvara/Qvod/QvodTerminal.exe"));
    ASSERT_FALSE(terminal.isEmpty());
    EXPECT_EQ(kelvara::test::file_bytes(home + "/Qvod/QvodTerminal.exe"), terminal);
    EXPECT_TRUE(QFileInfo(home + "/Qvod/QvodTerminal.exe").isExecutable());

    // The embedded demo server serves the installed clips.
    const int port = demo_port(home + "/Qvod/QvodPlayer.xml");
    ASSERT_NE(port, 0);
    httplib::Client server("127.0.0.1", port);
    const auto clip = server.Get("/media/film_1001.mp4");
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->status, 200);
    EXPECT_EQ(QByteArray::fromStdString(clip->body), kelvara::test::file_bytes(clip_path));

    client.terminate();
    ASSERT_TRUE(client.waitForFinished(20000));
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0);
}
