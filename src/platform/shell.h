#pragma once

#include <QString>

namespace kelvara {

// Opening documents, addresses and folders through the desktop.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens a web address in the user's browser. Callers only pass http and
    // https addresses; implementations refuse anything else as well.
    virtual bool open_url(const QString& address) = 0;
    // Shows a folder in the desktop's file manager.
    virtual bool open_folder(const QString& folder) = 0;
};

// True for the addresses the client may hand to the desktop: http and https.
bool is_web_address(const QString& address);

} // namespace kelvara
