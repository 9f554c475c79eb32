#pragma once

#include <QString>

namespace kelvara {

// The command text of a start with a relative local path made absolute
// against `folder`, the working folder of that start: the first instance,
// which plays it, may run in another folder. Addresses ("scheme:…"),
// absolute paths and the empty text stay as they are.
QString absolute_command(const QString& command, const QString& folder);

} // namespace kelvara
