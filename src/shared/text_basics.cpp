#include "shared/text_basics.h"

namespace kelvara {

QString text_between(const QString& text, const QString& start, const QString& end, int mode) {
    if (start.isEmpty() || end.isEmpty() || (mode != 1 && mode != 2))
        return {};
    const qsizetype s = text.indexOf(start);
    if (s < 0)
        return {};
    const qsizetype after = s + start.size();
    const qsizetype e = text.indexOf(end, after);
    if (e < 0)
        return {};
    if (mode == 2)
        return text.mid(after, e - after);
    return text.mid(s, e + end.size() - s);
}

QString join_path(const QString& folder, const QString& name) {
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

} // namespace kelvara
