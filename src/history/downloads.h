#pragma once

#include <QString>
#include <QStringList>

namespace kelvara {

// The files the QVOD terminal downloaded for a network task, found by name in
// its download folder.

// The base name (no extension) of the file a QVOD address
// "qvod://size|sha1|name|" names: its third "|" field, unescaped. Empty when
// the address holds no "|" or the name has no extension.
QString qvod_file_base(const QString& address);

// The leading part of a base name that the files of one download share: half
// its characters, rounded to the nearest with ties to even; the whole name
// when that half is 2 or less.
QString download_prefix(const QString& base);

// The Defaultsavepath value of a QvodPlayer.xml, from the first line that
// holds it; empty when the file, the line or the value is missing.
QString default_save_path(const QString& xml_path);

// The regular files directly inside `folder` whose names begin with
// `prefix` (exact case), sorted by name.
QStringList matching_downloads(const QString& folder, const QString& prefix);

// Deletes those of `names` that are regular files directly inside `folder`,
// which must be an absolute path; links are never followed nor removed.
// Returns the names that are still there afterwards.
QStringList delete_downloads(const QString& folder, const QStringList& names);

} // namespace kelvara
