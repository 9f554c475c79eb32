#pragma once

#include <QString>

namespace kelvara {

// Where the files that come with the programs are, found from the running
// executable, so that the build folder and an installed tree (at any prefix,
// also one moved after installation) work alike.
struct ProgramFiles {
    QString qvod_dir; // the installed copy of the QVOD folder: QvodTerminal.exe
    QString data_dir; // read-only data: the demo server's clips in media/
};

// Installed: <prefix>/bin/kelvara and <prefix>/libexec/kelvara/ with the
// terminal in its Qvod/ folder, the data in <prefix>/share/kelvara/.
// The build folder: the programs at its top, the terminal in Qvod/, the data
// in share/kelvara/.
ProgramFiles program_files();

// The folder of the running executable (from /proc, so that no application
// object is needed).
QString executable_dir();

} // namespace kelvara
