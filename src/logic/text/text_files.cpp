#include "logic/text/text_files.h"

#include "shared/gbk.h"

#include <QFile>
#include <QSaveFile>

namespace kelvara {

std::optional<QString> read_text(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return from_gbk(file.readAll());
}

std::optional<QStringList> read_lines(const QString& path) {
    const std::optional<QString> text = read_text(path);
    if (!text)
        return std::nullopt;
    QStringList lines;
    const QString& t = *text;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < t.size()) {
        const QChar c = t.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(t.mid(start, i - start));
            if (c == u'\r' && i + 1 < t.size() && t.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < t.size())
        lines.append(t.mid(start));
    return lines;
}

bool write_bytes_atomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool write_text_atomically(const QString& path, const QString& text) {
    return write_bytes_atomically(path, to_gbk(text));
}

} // namespace kelvara
