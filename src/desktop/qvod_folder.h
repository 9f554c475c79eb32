#pragma once

#include "platform/qvod_component.h"

#include <QStringList>

namespace kelvara {

// The QVOD folder `<application folder>/Qvod/`, set up from the copy
// installed with the client (installed_qvod_dir()): the terminal
// QvodTerminal.exe and the settings file QvodPlayer.xml.
class QvodFolder : public QvodComponent {
public:
    QvodFolder(QString app_dir, QString installed_dir);
    bool control_available() override;
    bool installed_copy_present() override;
    void register_control() override;

    QString folder() const;
    // Makes `url` the only source of the settings file; true when the file
    // changed (a running terminal still has the old sources).
    bool use_only_source(const QString& url);

private:
    QString app_dir_;
    QString installed_dir_;
};

// The QvodPlayer.xml written when the folder is set up: the download folder
// and one <Source url="…"/> line for each source the terminal may download
// from (asked for the source address followed by the file's SHA-1).
QString default_qvod_settings(const QString& download_folder, const QStringList& sources = {});

// The settings text with every <Source …/> line replaced by one for `url`,
// placed after the Config line.
QString with_only_source(const QString& settings, const QString& url);

// The installed copy of the QVOD folder, found from the running program.
QString installed_qvod_dir();

} // namespace kelvara
