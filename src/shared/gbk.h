#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace kelvara {

// Code page 936 (GBK) at the edges of the program: files, server replies and
// profile values are GBK bytes, text inside the program is Unicode.

// Characters GBK cannot hold become "?".
QByteArray to_gbk(const QString& text);
// Bytes that are not valid GBK become U+FFFD; NUL bytes are kept.
QString from_gbk(const QByteArray& bytes);
// Number of bytes the character at `i` (with its low surrogate, if any)
// takes in GBK: 2 for double-byte characters, 1 for the others (including
// characters GBK cannot hold, which become "?").
int gbk_width(const QString& text, qsizetype i);
// `text` with every character GBK cannot hold (a surrogate pair is one
// character) replaced by what `replace` makes of it.
QString replace_outside_gbk(const QString& text,
                            const std::function<QString(const QString&)>& replace);

} // namespace kelvara
