#pragma once

#include <QStringList>

namespace kelvara {

// The client's name and version, as --version and the desktop show them.
QString client_name();
QString client_version();

// True when the arguments after the program's name are one option that
// asks the program about itself (-h, --help, --help-all, -?, -v, --version);
// any other command line is the film or address to play.
bool asks_for_program_option(const QStringList& arguments);

// Prints the help or the version the way Qt's command-line programs do and
// ends the process; needs no display.
[[noreturn]] void answer_program_option(int argc, char** argv);

// The text the client plays: the arguments after the program's name joined
// by blanks. A local file the desktop passes as a file:// URL (the desktop
// entry asks for URLs, so that qvod:// links reach the client too) becomes
// its path, as a file given on the command line.
QString command_text(const QStringList& arguments);

// The command text of a start with a relative local path made absolute
// against `folder`, the working folder of that start: the first instance,
// which plays it, may run in another folder. Addresses ("scheme:…"),
// absolute paths and the empty text stay as they are.
QString absolute_command(const QString& command, const QString& folder);

} // namespace kelvara
