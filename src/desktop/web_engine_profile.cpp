#include "desktop/web_engine_profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <unistd.h>

namespace kelvara {

namespace {

constexpr qint64 kHttpCacheBytes = 64 * 1024 * 1024;

void add_switch(QStringList& flags, const QString& name, const QString& value = {}) {
    for (const QString& flag : flags) {
        if (flag == name || flag.startsWith(name + u'='))
            return;
    }
    flags << (value.isEmpty() ? name : name + u'=' + value);
}

QString random_token() {
    QString token;
    for (int i = 0; i < 4; ++i)
        token += QString::number(QRandomGenerator::system()->generate(), 16);
    return token;
}

QString link_script_source(const QString& token) {
    QFile file(QStringLiteral(":/kelvara/web_pane_links.js"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the link script is missing from the resources");
    QString source = QString::fromUtf8(file.readAll());
    source.replace(QStringLiteral("@MARKER@"), QStringLiteral("\\u0001kelvara-report-") + token);
    return source;
}

void configure(QWebEngineSettings* settings) {
    // Pages that declare no character set are the server's GBK pages and the
    // history pages the client writes in GBK.
    settings->setDefaultTextEncoding(QStringLiteral("GBK"));
    // Link schemes of the client are never registered: Chromium would block
    // them before the page and the pane see them.
    settings->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowAllUnknownUrlSchemes);
    // A failed load leaves the pane to the client (its own error text).
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // The web player page starts playing without a click.
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    // The history pages are local files; the episode page that replaces one
    // in its pane is a server page the pane's script navigates to.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
}

} // namespace

void prepare_web_engine(int renderer_process_limit) {
    QStringList flags = QString::fromLocal8Bit(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"))
                            .split(u' ', Qt::SkipEmptyParts);
    if (renderer_process_limit > 0) {
        add_switch(flags, QStringLiteral("--renderer-process-limit"),
                   QString::number(renderer_process_limit));
    }
    // No update checks or other traffic of the engine's own.
    add_switch(flags, QStringLiteral("--disable-background-networking"));
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.join(u' ').toLocal8Bit());
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The player draws with OpenGL next to the engine's views.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

PaneProfile::PaneProfile(const QString& storage_dir) {
    if (storage_dir.isEmpty()) {
        profile_ = new QWebEngineProfile();
    } else {
        profile_ = new QWebEngineProfile(QStringLiteral("kelvara"));
        QDir().mkpath(storage_dir);
        profile_->setPersistentStoragePath(storage_dir);
        profile_->setCachePath(storage_dir + QStringLiteral("/cache"));
        profile_->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        profile_->setHttpCacheMaximumSize(kHttpCacheBytes);
        profile_->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    }
    profile_->setHttpAcceptLanguage(QStringLiteral("zh-CN,zh;q=0.9"));
    configure(profile_->settings());

    const QString token = random_token();
    report_marker_ = QChar(1) + QStringLiteral("kelvara-report-") + token;
    QWebEngineScript script;
    script.setName(QStringLiteral("kelvara-links"));
    script.setSourceCode(link_script_source(token));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    profile_->scripts()->insert(script);
}

PaneProfile::~PaneProfile() {
    delete profile_;
}

} // namespace kelvara
