#pragma once

#include <QString>
#include <optional>

namespace kelvara {

// The records of the two viewing histories, one a line, fields joined by "|".
// A line without "|" is no record. Fields are kept as the file holds them
// (in their escaped form, numbers as written), so that a record read and
// written again comes out byte for byte as it was.

// A row of date.dat: id|title|episode|address|v|v1|position. Title, episode
// and address are in escape() form.
struct NetworkTaskRecord {
    QString id;
    QString title;
    QString episode;
    QString address;
    QString v;
    QString v1;
    // Missing when the row has fewer than seven fields; such a row is kept
    // as it is wherever positions are written.
    std::optional<qint64> position;

    // Missing fields read empty; fields after the seventh are dropped.
    static std::optional<NetworkTaskRecord> parse(const QString& line);
    // The row with its position (0 when it has none).
    QString format() const;

    // The id as a number (0 when it is none): the key of the list.
    qint64 id_number() const;
    // id "-" v "-" v1 "-" title: the episode key of the series page.
    QString episode_key() const;
};

// A row of date_f.dat: name|path|position. The name is read through
// js_unescape, the path through history_field_text.
struct LocalFileRecord {
    QString name;
    QString path;
    // Missing when the row has fewer than three fields.
    std::optional<qint64> position;

    static std::optional<LocalFileRecord> parse(const QString& line);
    QString format() const;
};

} // namespace kelvara
