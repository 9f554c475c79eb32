#pragma once

#include <QString>

namespace kelvara {

class QvodComponent;
class Dialogs;
class Shell;
class Machine;

// Everything that runs before the main window: the QVOD check, config.ini
// (created on the first run, repaired on every run), the history files, their
// pages and the delete icon. False when the client must end without a window
// (the QVOD component is missing and cannot be set up); the user may then be
// sent to the content server's QVOD download page.
bool run_startup(const QString& app_dir, const QString& base_url, QvodComponent& qvod,
                 Dialogs& dialogs, Shell& shell, Machine& machine);

// The content server's page about getting the QVOD component.
QString qvod_download_page(const QString& base_url);

} // namespace kelvara
