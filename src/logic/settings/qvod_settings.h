#pragma once

#include <QString>

namespace kelvara {

// The download folder of a QvodPlayer.xml text: the first Defaultsavepath
// value with its XML escapes read; empty when the text has none.
QString qvod_save_path(const QString& settings);

// The text with every Defaultsavepath value set to `folder` and nothing else
// changed. A text without the attribute gets it on its Config element; an
// empty text becomes a settings file holding only the folder.
QString with_qvod_save_path(const QString& settings, const QString& folder);

// Sharing in the swarm: the Share and Uploadrate attributes of the Config
// element (see common/qvod_terminal_api.h).
struct QvodSharing {
    bool on = true;
    int upload_kbs = 0;
    bool operator==(const QvodSharing&) const = default;
};
QvodSharing qvod_sharing(const QString& settings);
// The text with both attributes set on its Config element, nothing else
// changed; a text without a Config element is left as it is.
QString with_qvod_sharing(const QString& settings, const QvodSharing& sharing);

// The download folder the settings dialog stores for what the user typed: an
// absolute path ending in "/"; any other text becomes the home folder's
// "Media/".
QString download_folder(const QString& text);

// The settings dialog's reading of an on/off option: a value that reads as
// the number 1 is off, anything else (also "0" and a missing key) on.
bool option_checked(const QString& value);
// The value stored for a box: "2" checked, "1" not.
QString option_value(bool checked);

} // namespace kelvara
