#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace kelvara {

// Text files of the client: GBK bytes, CR LF line ends.

// The lines of a file (split at CR LF, LF or CR; a final line end does not
// start another line); empty optional when the file cannot be read.
std::optional<QStringList> read_lines(const QString& path);

// The whole file as text; empty optional when it cannot be read.
std::optional<QString> read_text(const QString& path);

// Replaces the file with `text` in GBK, atomically: a temporary file in the
// same folder is written and renamed over it, so readers and crashes see the
// old or the new content, never a part. False when it could not be written.
bool write_text_atomically(const QString& path, const QString& text);
bool write_bytes_atomically(const QString& path, const QByteArray& bytes);

} // namespace kelvara
