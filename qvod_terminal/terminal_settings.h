#pragma once

#include "shared/qvod_terminal_api.h"

#include <QByteArray>
#include <string>
#include <vector>

namespace kelvara {

// What QvodPlayer.xml tells the terminal.
struct TerminalSettings {
    std::string save_folder;                          // ends in "/"
    std::vector<std::string> sources;                 // base addresses, asked for base + hash
    bool share = true;                                // Share="1": download with peers and seed
    int upload_kbs = terminal_api::kDefaultUploadKbs; // Uploadrate="<KB/s>": the upload cap, 0 none
};

// Reads the GBK text of QvodPlayer.xml. The first line holding
// Defaultsavepath="…" gives the download folder: "\" count as "/", a
// relative folder lies in the QVOD folder, a missing one is ~/Media/. Every
// <Source url="…"/> line with an http or https address adds a source. The
// first Share="0" turns sharing off (any other value, or none, leaves it
// on); the first Uploadrate="<n>" with n from 0 to 1048576 sets the cap.
TerminalSettings parse_settings(const QByteArray& gbk_text, const std::string& qvod_folder);

// The settings of <qvod_folder>/QvodPlayer.xml (defaults when it is missing).
TerminalSettings read_settings(const std::string& qvod_folder);

} // namespace kelvara
