#pragma once

#include "platform/screen_saver.h"

#include <optional>

namespace kelvara {

// The screen saver of the desktop through org.freedesktop.ScreenSaver on the
// session bus, the call GNOME, KDE and most other desktops answer. The calls
// wait for their reply (a second at most), so that a release is on the bus
// before the client can end.
class DBusScreenSaver : public ScreenSaver {
public:
    DBusScreenSaver() = default;
    ~DBusScreenSaver() override;
    DBusScreenSaver(const DBusScreenSaver&) = delete;
    DBusScreenSaver& operator=(const DBusScreenSaver&) = delete;

    void set_inhibited(bool inhibited, const QString& reason) override;

private:
    void inhibit(const QString& reason);
    void release();

    std::optional<uint> cookie_; // the inhibition held
    // Asked once per inhibition wanted: a desktop without the service is not
    // asked again every second.
    bool asked_ = false;
};

} // namespace kelvara
