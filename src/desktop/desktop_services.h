#pragma once

#include "platform/dialogs.h"
#include "platform/machine.h"
#include "platform/power.h"
#include "platform/shell.h"

namespace kelvara {

class QtDialogs : public Dialogs {
public:
    MsgAnswer message_box(const QString& text, const QString& title, MsgButtons buttons,
                          MsgIcon icon) override;
    QString open_file(const QString& filter, const QString& title) override;
    QString browse_folder(const QString& initial, const QString& title) override;
};

// The desktop's own handlers for addresses and folders.
class DesktopShell : public Shell {
public:
    bool open_url(const QString& address) override;
    bool open_folder(const QString& folder) override;
};

class DesktopMachine : public Machine {
public:
    QString first_ip_adapter_mac() override;
    QDateTime local_now() override;
    double random_fraction() override;
};

// Power-off through systemd-logind, or the command in $KELVARA_POWEROFF.
class DesktopPower : public Power {
public:
    bool power_off() override;
};

// "caption|patterns|caption|patterns" as a Qt file-dialog filter.
QString qt_file_filter(const QString& filter);

} // namespace kelvara
