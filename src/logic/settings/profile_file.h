#pragma once

#include <QByteArray>
#include <QString>

namespace kelvara {

// Profile ("ini") files with the semantics of the classic private-profile
// calls: one value per call, no caching, GBK bytes on disk.
//
// Reading: section and key names match without regard to case; blanks
// around names and values are trimmed; a value enclosed in one pair of equal
// quotes (" or ') loses them; lines starting with ";" are comments; lines
// before the first section and text after "]" are ignored; the first matching
// section and the first matching key in it win.
//
// Writing: the first matching key line is replaced in place (keeping the
// file's spelling of the key), or a new key line goes after the last key of
// the first matching section, or "[Section]" and the key line are appended at
// the end; every other line stays byte for byte. The file is replaced
// atomically and created when missing.

// Copies the value (or `default_value` when the key is missing) into
// `buffer`, cut to `size` - 1 bytes, and returns the number of bytes copied.
int get_private_profile_string(const QString& section, const QString& key,
                               const QString& default_value, QByteArray& buffer, int size,
                               const QString& file);

// False when the file could not be written.
bool write_private_profile_string(const QString& section, const QString& key, const QString& value,
                                  const QString& file);

// The same on the file's bytes in memory, for callers that read or change
// several values and then write the file once.
QByteArray read_profile_file(const QString& file); // empty when missing
int profile_string(const QByteArray& text, const QString& section, const QString& key,
                   const QString& default_value, QByteArray& buffer, int size);
QByteArray with_profile_string(QByteArray text, const QString& section, const QString& key,
                               const QString& value);

} // namespace kelvara
