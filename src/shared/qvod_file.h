#pragma once

#include <QString>

namespace kelvara {

// A QVOD address "qvod://<size>|<sha1>|<name>|": the file's size in bytes, the
// 40 hexadecimal digits of its SHA-1 and its file name.
struct QvodAddress {
    qint64 size = 0;
    QString sha1; // lower-case
    QString name;
};

} // namespace kelvara
