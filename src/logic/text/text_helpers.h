#pragma once

#include "shared/text_basics.h"

#include <QString>
#include <QStringList>

namespace kelvara {

// The text after the last "/" or "\"; empty text when the path has neither.
QString path_file_name(const QString& path);

// The text before the last "."; empty text when the name has none.
QString strip_extension(const QString& name);

// The whole text when width / 2 is at least its number of characters;
// otherwise its longest prefix whose width is at most `width`, where a
// character that takes two bytes in GBK counts 2 and any other 1.
QString fit_width(const QString& text, int width);

// The longest prefix of `text` that takes at most `bytes` bytes in GBK,
// without cutting a character.
QString gbk_prefix(const QString& text, int bytes);

// Fills `names` from index 0 with the regular files of `folder` (not links,
// not hidden files) whose names match the wildcard `pattern` ("*.*" matches
// every name), sorted by name; true when any was found.
bool list_files(const QString& folder, const QString& pattern, QStringList& names);

// Decimal integer reading of a text: blanks around it are allowed, anything
// else that is not a number reads as 0.
qint64 to_number(const QString& text);

} // namespace kelvara
