#pragma once

#include "logic/history/history_files.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

namespace kelvara {
class WebPane;
}

namespace kelvara::test {

// Sets up this test process to run the whole client, before its QApplication
// exists: quiet audio, the engine's sandbox off (the tests run as root) and
// no traffic of the engine's own beyond 127.0.0.1.
void prepare_client_test_process();

// An application folder for a real client, made before the client starts:
// downloads go to a folder of its own (not the user's ~/Media), the client
// looks for the QVOD terminal in its own QVOD folder, and quitting leaves the
// terminals of other folders alone. The terminal of the folder is ended when
// the folder goes.
class ClientFolder {
public:
    ClientFolder();
    ~ClientFolder();
    ClientFolder(const ClientFolder&) = delete;
    ClientFolder& operator=(const ClientFolder&) = delete;

    bool valid() const { return root_.isValid(); }
    QString app_dir() const;
    QString qvod_dir() const;
    QString download_dir() const;

    // Pids of the QvodTerminal.exe processes started from this folder.
    QList<qint64> terminals() const;
    // Ends them (SIGTERM, then SIGKILL after 5 s); true when none is left.
    bool end_terminals() const;

    // The records of date.dat or date_f.dat, newest first, split at "|".
    QList<QStringList> records(HistoryList list) const;

private:
    QTemporaryDir root_;
};

// The centre of the first element matching the CSS selector, scrolled into
// view; nullopt when the page has none.
std::optional<QPoint> element_center(WebPane& pane, const QString& selector);
// A user's click on the first element matching the selector: the mouse on
// the view. False when the page has no such element.
bool click_element(WebPane& pane, const QString& selector);
// Waits until the pane's page holds an element matching the selector.
bool wait_for_element(WebPane& pane, const QString& selector, int ms);

} // namespace kelvara::test
