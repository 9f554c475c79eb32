#include "logic/text/text_helpers.h"

#include "shared/gbk.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace kelvara {

QString path_file_name(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return cut < 0 ? QString() : path.mid(cut + 1);
}

QString strip_extension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.left(dot);
}

QString fit_width(const QString& text, int width) {
    if (width / 2 >= text.size())
        return text;
    return gbk_prefix(text, width);
}

QString gbk_prefix(const QString& text, int width) {
    int used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const int w = gbk_width(text, i);
        if (used + w > width)
            break;
        used += w;
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        i += pair ? 2 : 1;
    }
    return text.left(i);
}

bool list_files(const QString& folder, const QString& pattern, QStringList& names) {
    names.clear();
    if (folder.isEmpty())
        return false;
    const QString wildcard =
        (pattern == QLatin1String("*.*") || pattern.isEmpty()) ? QStringLiteral("*") : pattern;
    const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(
                                       wildcard, QRegularExpression::UnanchoredWildcardConversion),
                                   QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression anchored(QRegularExpression::anchoredPattern(match.pattern()),
                                      match.patternOptions());
    QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (anchored.match(entry.fileName()).hasMatch())
            names.append(entry.fileName());
    }
    return !names.isEmpty();
}

qint64 to_number(const QString& text) {
    static const QRegularExpression blanks(QStringLiteral("^[ \\t]+|[ \\t]+$"));
    QString t = text;
    t.remove(blanks);
    bool ok = false;
    const qint64 value = t.toLongLong(&ok, 10);
    return ok ? value : 0;
}

} // namespace kelvara
