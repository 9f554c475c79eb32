#pragma once

#include <QString>

namespace kelvara {

// Keeps the desktop's screen saver from blanking the screen while a film
// plays.
class ScreenSaver {
public:
    virtual ~ScreenSaver() = default;
    // Asking again for what holds already does nothing: at most one
    // inhibition is held. Without a screen saver to ask, nothing happens.
    virtual void set_inhibited(bool inhibited, const QString& reason) = 0;
};

} // namespace kelvara
