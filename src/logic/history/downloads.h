#pragma once

#include <QString>
#include <QStringList>

namespace kelvara {

// The files the QVOD terminal downloaded for a network task, found through
// the download's record in its download folder.

// The files of the download a QVOD address "qvod://size|sha1|name|" names,
// as its record (.<sha1>.kvpart) in `folder` tells, whether or not the
// terminal runs: the finished film (whose name may differ from the
// address's), the file still downloading, and the record itself; only those
// that are regular files there, sorted by name. Empty when the text is no
// QVOD address or no readable record names it: a file that merely shares
// the name is the user's own.
QStringList download_files(const QString& folder, const QString& address);

// The Defaultsavepath value of a QvodPlayer.xml, from the first line that
// holds it; empty when the file, the line or the value is missing.
QString default_save_path(const QString& xml_path);

// The download folder QvodPlayer.xml in the QVOD program folder names;
// empty when it names none.
QString configured_download_folder(const QString& qvod_program_folder);

// Deletes those of `names` that are regular files directly inside `folder`,
// which must be an absolute path; links are never followed nor removed.
// Returns the names that are still there afterwards.
QStringList delete_downloads(const QString& folder, const QStringList& names);

} // namespace kelvara
