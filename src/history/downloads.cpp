#include "history/downloads.h"

#include "common/text_files.h"
#include "common/text_helpers.h"
#include "common/xml_text.h"
#include "panes/js_escape.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kelvara {

QString qvod_file_base(const QString& address) {
    if (!address.contains(u'|'))
        return {};
    return strip_extension(js_unescape(address.split(u'|').value(2)));
}

QString download_prefix(const QString& base) {
    const qsizetype length = base.size();
    qsizetype k = length / 2;
    if (length % 2 == 1 && k % 2 == 1)
        ++k; // x.5 rounds to the even neighbour
    return k <= 2 ? base : base.left(k);
}

QString default_save_path(const QString& xml_path) {
    const QString key = QStringLiteral("Defaultsavepath=");
    const std::optional<QStringList> lines = read_lines(xml_path);
    if (!lines)
        return {};
    for (const QString& line : *lines) {
        if (line.contains(key))
            return xml_text(text_between(line, key + u'"', QStringLiteral("\""), 2));
    }
    return {};
}

QStringList matching_downloads(const QString& folder, const QString& prefix) {
    QStringList names;
    list_files(folder, QStringLiteral("*.*"), names);
    QStringList matching;
    for (const QString& name : names) {
        if (name.left(prefix.size()) == prefix)
            matching.append(name);
    }
    return matching;
}

QStringList delete_downloads(const QString& folder, const QStringList& names) {
    if (!QDir::isAbsolutePath(folder))
        return names;
    QStringList left;
    for (const QString& name : names) {
        const QString path = join_path(folder, name);
        const bool direct = !name.isEmpty() && !name.contains(u'/') && name != QLatin1String(".") &&
                            name != QLatin1String("..");
        const QFileInfo before(path);
        if (direct && before.isFile() && !before.isSymLink())
            QFile::remove(path);
        const QFileInfo after(path);
        if (after.exists() || after.isSymLink())
            left.append(name);
    }
    return left;
}

} // namespace kelvara
