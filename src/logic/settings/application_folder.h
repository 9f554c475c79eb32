#pragma once

#include "logic/settings/settings.h"

#include <QString>

namespace kelvara {

// The application folder that holds config.ini, the histories and the pages:
// $KELVARA_HOME, else $XDG_DATA_HOME/kelvara (~/.local/share/kelvara). It is
// created when missing.
QString application_folder();

// The content server's base URL (ending in "/soft/"): $KELVARA_SERVER, else
// the build's configured address; empty when neither names one.
QString configured_server();

// The files of one application folder, each named here once. A value: it
// holds the folder's path and nothing read from it.
class ApplicationFolder {
public:
    explicit ApplicationFolder(QString path);
    const QString& path() const { return path_; }

    QString settings_file() const; // config.ini
    Settings settings() const;

    QString network_history() const; // date.dat
    QString local_history() const;   // date_f.dat
    QString network_page() const;    // c.htm, the network history rendered
    QString local_page() const;      // f.htm
    QString delete_icon() const;     // i.gif, which both pages show
    QString updater() const;         // update.exe, as the update check fetches it
    // The browser engine's profile: cookies, cache and storage of the panes.
    QString web_profile() const;

    // <folder>/Qvod: the QVOD folder the client sets up for itself.
    QString own_qvod_folder() const;
    // The QVOD folder in use, ending in "/": the one S_q/qvodw names when it
    // names an existing folder, else the client's own.
    QString qvod_folder() const;

private:
    QString file(const char* name) const;

    QString path_;
};

} // namespace kelvara
