#pragma once

#include <QString>
#include <QStringList>

namespace kelvara {

// The history page of a list's lines (without the final line end of the file
// write): one row per record, each with an open:// and a delk:// link carrying
// the record's line number. `local` shows field 1 (the file name) of each
// record, otherwise field 2 (the title).
QString history_page(const QStringList& lines, bool local);

// The first piece of the page, ending in the rows' placeholder and "</table>".
extern const char kPageHead[];
extern const char kEmptyListRow[];

// Text for the page: markup characters as entities, and characters GBK (the
// page's code page) cannot hold as numeric character references.
QString html_escape(const QString& text);

} // namespace kelvara
