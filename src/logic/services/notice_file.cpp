#include "logic/services/notice_file.h"

#include <cmath>

namespace kelvara {

namespace {

const QString kFieldSeparator = QStringLiteral("====");
const QString kPartSeparator = QStringLiteral("****");
const QString kItemSeparator = QStringLiteral("@@@@@");

} // namespace

std::optional<Notice> parse_notice(const std::optional<QString>& body) {
    if (!body || body->isEmpty() || !body->contains(kFieldSeparator))
        return std::nullopt;
    Notice notice;
    notice.fields = body->split(kFieldSeparator);
    while (notice.fields.size() < 6)
        notice.fields.append(QString());
    return notice;
}

std::vector<TextAd> text_ads(const QString& field) {
    std::vector<TextAd> ads;
    const QStringList items = field.split(kItemSeparator);
    for (qsizetype i = 0; i < items.size() && i < 4; ++i) {
        const QStringList parts = items.at(i).split(kPartSeparator);
        ads.push_back({parts.value(0), parts.value(1)});
    }
    return ads;
}

double notice_number(const QString& field) {
    bool ok = false;
    const double value = field.trimmed().toDouble(&ok);
    // "nan" and "inf" are words, not numbers: they must not count as a
    // version or a switch that is on.
    return ok && std::isfinite(value) ? value : 0;
}

QString clean_version(const QString& field) {
    QString v = field;
    v.remove(u'\r');
    v.remove(u'\n');
    return v;
}

bool offer_at_start(const QString& new_version, const QString& running_version) {
    if (new_version.isEmpty() || notice_number(new_version) == 0)
        return false;
    return new_version != running_version.trimmed();
}

bool offer_on_demand(const QString& new_version, const QString& running_version) {
    return !new_version.isEmpty() && new_version != running_version.trimmed();
}

QString quit_action_address(const QString& exit_action) {
    if (exit_action.isEmpty() || !exit_action.contains(kPartSeparator))
        return {};
    const QStringList parts = exit_action.split(kPartSeparator);
    return parts.value(0) == QLatin1String("1") ? parts.value(1).trimmed() : QString();
}

} // namespace kelvara
