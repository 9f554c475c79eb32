#pragma once

#include <QString>

namespace kelvara {

// The text helpers the QVOD terminal shares with the client.

// Mode 2: the text after the first `start` up to the next `end`, exclusive.
// Mode 1: from the first `start` through the end of the next `end`.
// Empty when a marker is missing or the mode is neither.
QString text_between(const QString& text, const QString& start, const QString& end, int mode);

// Joins a folder and a name with exactly one "/" between them.
QString join_path(const QString& folder, const QString& name);

} // namespace kelvara
