#include "logic/history/history_records.h"

#include "logic/text/text_helpers.h"

#include <QStringList>

namespace kelvara {

namespace {

std::optional<QStringList> record_fields(const QString& line) {
    if (!line.contains(u'|'))
        return std::nullopt;
    return line.split(u'|');
}

std::optional<qint64> position_field(const QStringList& fields, qsizetype index) {
    if (fields.size() <= index)
        return std::nullopt;
    return to_number(fields.at(index));
}

} // namespace

std::optional<NetworkTaskRecord> NetworkTaskRecord::parse(const QString& line) {
    const std::optional<QStringList> f = record_fields(line);
    if (!f)
        return std::nullopt;
    return NetworkTaskRecord{f->value(0), f->value(1), f->value(2),          f->value(3),
                             f->value(4), f->value(5), position_field(*f, 6)};
}

QString NetworkTaskRecord::format() const {
    return QStringList{id, title, episode, address, v, v1, QString::number(position.value_or(0))}
        .join(u'|');
}

qint64 NetworkTaskRecord::id_number() const {
    return to_number(id);
}

QString NetworkTaskRecord::episode_key() const {
    return id + u'-' + v + u'-' + v1 + u'-' + title;
}

std::optional<LocalFileRecord> LocalFileRecord::parse(const QString& line) {
    const std::optional<QStringList> f = record_fields(line);
    if (!f)
        return std::nullopt;
    return LocalFileRecord{f->value(0), f->value(1), position_field(*f, 2)};
}

QString LocalFileRecord::format() const {
    return QStringList{name, path, QString::number(position.value_or(0))}.join(u'|');
}

} // namespace kelvara
