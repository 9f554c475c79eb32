#include "logic/history/history_files.h"

#include "logic/history/history_records.h"
#include "logic/history/history_render.h"
#include "logic/links/js_escape.h"
#include "logic/text/text_files.h"
#include "logic/text/text_helpers.h"
#include "platform/web_pane.h"
#include "shared/gbk.h"

#include <QFileInfo>
#include <QStringList>

namespace kelvara {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const int kLinesLookedAt = 100;

// Every list is written as its text followed by one CR LF.
bool write_list(const QString& path, const QString& text) {
    return write_text_atomically(path, text + kCrLf);
}

// Puts `record` at the top, dropping lines beyond the first 100, non-records
// and older records with the same key.
template <typename Record, typename SameKey>
void add_record(const QString& path, const Record& record, const SameKey& same_key) {
    const std::optional<QStringList> lines = read_lines(path);
    if (!lines)
        return;
    QStringList kept;
    for (qsizetype n = 0; n < lines->size() && n < kLinesLookedAt; ++n) {
        const QString& line = lines->at(n);
        const std::optional<Record> old = Record::parse(line);
        if (!old || same_key(*old))
            continue;
        kept.append(line);
    }
    write_list(path, record.format() + kCrLf + kept.join(kCrLf));
}

// Sets the position of every record with the key; records without a
// position field stay as they are. Non-record lines are dropped.
template <typename Record, typename SameKey>
void set_position(const QString& path, qint64 position, const SameKey& same_key) {
    const std::optional<QStringList> lines = read_lines(path);
    if (!lines)
        return;
    QStringList out;
    for (const QString& line : *lines) {
        std::optional<Record> record = Record::parse(line);
        if (!record)
            continue;
        if (record->position && same_key(*record)) {
            record->position = position;
            out.append(record->format());
        } else {
            out.append(line);
        }
    }
    write_list(path, out.join(kCrLf));
}

// Escapes for a character GBK cannot hold: one %uXXXX for each UTF-16 unit,
// as escape() writes them.
QString unit_escapes(const QString& character) {
    QString out;
    for (const QChar unit : character)
        out += QString::asprintf("%%u%04X", unsigned(unit.unicode()));
    return out;
}

// The characters that "%XX" stands for in a stored path.
std::optional<QChar> escaped_byte(const QString& hex) {
    static const std::pair<const char*, char16_t> kBytes[] = {
        {"7C", u'|'}, {"0D", u'\r'}, {"0A", u'\n'}, {"25", u'%'}};
    for (const auto& [code, c] : kBytes) {
        if (hex.compare(QLatin1String(code), Qt::CaseInsensitive) == 0)
            return QChar(c);
    }
    return std::nullopt;
}

// The UTF-16 unit of "uXXXX".
std::optional<QChar> escaped_unit(const QString& text) {
    if (text.size() != 5 || text.at(0) != u'u')
        return std::nullopt;
    for (qsizetype i = 1; i < 5; ++i) {
        const char16_t c = text.at(i).unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')))
            return std::nullopt;
    }
    return QChar(static_cast<char16_t>(text.mid(1).toUInt(nullptr, 16)));
}

// True when `text` can be written as it is: it reads back as itself, holds
// no field or line separator and only characters GBK holds.
bool reads_back(const QString& text, const QString& read_back) {
    return read_back == text && !text.contains(u'|') && !text.contains(u'\r') &&
           !text.contains(u'\n') &&
           replace_outside_gbk(text, [](const QString&) { return QStringLiteral("?"); }) == text;
}

QString escaped_local_text(const QString& text) {
    QString f = text;
    f.replace(u'%', QLatin1String("%25"));
    return history_field(f);
}

} // namespace

bool holds_path(const QString& field, const QString& path) {
    return field == local_path_field(path) || field == path;
}

QString history_field(const QString& text) {
    QString f = text;
    f.replace(u'|', QLatin1String("%7C"));
    f.replace(u'\r', QLatin1String("%0D"));
    f.replace(u'\n', QLatin1String("%0A"));
    return replace_outside_gbk(f, unit_escapes);
}

QString history_field_text(const QString& field) {
    QString t;
    t.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == u'%') {
            if (const std::optional<QChar> c = escaped_byte(field.mid(i + 1, 2))) {
                t += *c;
                i += 2;
                continue;
            }
            if (const std::optional<QChar> c = escaped_unit(field.mid(i + 1, 5))) {
                t += *c;
                i += 5;
                continue;
            }
        }
        t += field.at(i);
    }
    return t;
}

QString local_name_field(const QString& name) {
    return reads_back(name, js_unescape(name)) ? name : escaped_local_text(name);
}

QString local_path_field(const QString& path) {
    return reads_back(path, history_field_text(path)) ? path : escaped_local_text(path);
}

History::History(ApplicationFolder folder) : folder_(std::move(folder)) {}

void History::set_panes(WebPane* network_pane, WebPane* local_pane) {
    network_pane_ = network_pane;
    local_pane_ = local_pane;
}

QString History::list_file(HistoryList list) const {
    return list == HistoryList::LocalFiles ? folder_.local_history() : folder_.network_history();
}

QString History::page_file(HistoryList list) const {
    return list == HistoryList::LocalFiles ? folder_.local_page() : folder_.network_page();
}

void History::history_add_task(qint64 id, const QString& title, const QString& episode,
                               const QString& address, qint64 v, qint64 v1, qint64 position) {
    const NetworkTaskRecord record{QString::number(id),
                                   history_field(title),
                                   history_field(episode),
                                   history_field(address),
                                   QString::number(v),
                                   QString::number(v1),
                                   position};
    add_record(list_file(HistoryList::NetworkTasks), record,
               [id](const NetworkTaskRecord& r) { return r.id_number() == id; });
    history_render(HistoryList::NetworkTasks);
}

void History::history_set_task_pos(qint64 id, qint64 position) {
    set_position<NetworkTaskRecord>(
        list_file(HistoryList::NetworkTasks), position,
        [id](const NetworkTaskRecord& r) { return r.id_number() == id; });
}

void History::history_add_local(const QString& name, const QString& path, qint64 position) {
    const LocalFileRecord record{local_name_field(name), local_path_field(path), position};
    add_record(list_file(HistoryList::LocalFiles), record,
               [&](const LocalFileRecord& r) { return holds_path(r.path, path); });
    history_render(HistoryList::LocalFiles);
}

void History::history_set_local_pos(const QString& path, qint64 position) {
    set_position<LocalFileRecord>(
        list_file(HistoryList::LocalFiles), position,
        [&](const LocalFileRecord& r) { return holds_path(r.path, path); });
}

void History::history_delete_line(HistoryList list, qint64 line) {
    const QString path = list_file(list);
    const std::optional<QStringList> lines = read_lines(path);
    if (!lines)
        return;
    QString kept;
    for (qsizetype n = 0; n < lines->size(); ++n) {
        if (n + 1 != line)
            kept += lines->at(n) + kCrLf;
    }
    // An empty line at the end goes together with the line end before it.
    if (kept.endsWith(kCrLf))
        kept.chop(2);
    if (kept.endsWith(kCrLf))
        kept.chop(2);
    write_list(path, kept);
    history_render(list);
}

void History::history_render(HistoryList list) {
    const bool local = list == HistoryList::LocalFiles;
    const std::optional<QStringList> lines = read_lines(list_file(list));
    if (!lines)
        return;
    const QString page_path = page_file(list);
    if (!write_text_atomically(page_path, history_page(*lines, local) + kCrLf))
        return;
    if (WebPane* pane = local ? local_pane_ : network_pane_)
        pane->navigate(page_path);
}

void History::create_if_missing(HistoryList list) {
    const QString path = list_file(list);
    if (!QFileInfo::exists(path))
        write_text_atomically(path, kCrLf);
}

void History::clear(HistoryList list) {
    const QString path = list_file(list);
    if (QFileInfo::exists(path))
        write_text_atomically(path, kCrLf);
}

} // namespace kelvara
