// The viewing histories and their pages: date.dat and date_f.dat as left on
// disk, records added for names, paths and titles from pages and the file
// system, and the pages rendered from them.
//
// Input: the list's bytes, NUL, a name or title, NUL, a path or address,
// NUL, an episode name.

#include "fuzz_support.h"
#include "logic/history/history_files.h"
#include "logic/history/history_render.h"
#include "logic/links/js_escape.h"
#include "logic/text/text_files.h"

#include <QFile>
#include <QRegularExpression>

using namespace kelvara;

namespace {

void write_file(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    FUZZ_CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
}

// The page's markup with the texts between the tags and the title
// attributes' values taken out.
QString markup(const QString& page) {
    static const QRegularExpression title(QStringLiteral("title=\"[^\"]*\""));
    static const QRegularExpression text(QStringLiteral(">[^<]*<"));
    // A regular expression matches nothing in text that is no valid UTF-16:
    // lone surrogates (from "%uDCAB" in a record) become "?", as they do in
    // the page written to disk.
    QString m = QString::fromUtf8(page.toUtf8());
    m.replace(title, QStringLiteral("title=\"\""));
    m.replace(text, QStringLiteral("><"));
    return m;
}

// The lines with every character of the fields made a plain letter: the same
// records with texts that hold no markup.
QStringList plain_lines(const QStringList& lines) {
    QStringList plain;
    for (const QString& line : lines) {
        QString p = line;
        for (QChar& c : p) {
            if (c != u'|')
                c = u'a';
        }
        plain.append(p);
    }
    return plain;
}

// A rendered page holds no markup from the records.
void check_page(const QStringList& lines, bool local) {
    FUZZ_CHECK(markup(history_page(lines, local)) ==
               markup(history_page(plain_lines(lines), local)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> parts = fuzz::input_parts(data, size, 4);
    const QString folder = fuzz::scratch_folder();
    const QString name = QString::fromUtf8(parts[1]);
    const QString path = QString::fromUtf8(parts[2]);
    const QString episode = QString::fromUtf8(parts[3]);
    History history{ApplicationFolder(folder)};

    // The local list: the record added is the first, its path reads back and
    // its position is set where the path matches.
    const QString local_list = history.list_file(HistoryList::LocalFiles);
    write_file(local_list, parts[0]);
    history.history_add_local(name, path, 5);
    std::optional<QStringList> lines = read_lines(local_list);
    FUZZ_CHECK(lines && !lines->isEmpty());
    QStringList fields = lines->first().split(u'|');
    FUZZ_CHECK(fields.size() == 3);
    FUZZ_CHECK(history_field_text(fields[1]) == path);
    history.history_set_local_pos(path, 77);
    lines = read_lines(local_list);
    FUZZ_CHECK(lines && lines->first().split(u'|').value(2) == QLatin1String("77"));
    check_page(*lines, true);
    const qsizetype records = lines->filter(QStringLiteral("|")).size();
    history.history_delete_line(HistoryList::LocalFiles, 1);
    lines = read_lines(local_list);
    FUZZ_CHECK(lines && lines->filter(QStringLiteral("|")).size() == records - 1);

    // The network list: a task's record has its seven fields.
    const QString network_list = history.list_file(HistoryList::NetworkTasks);
    write_file(network_list, parts[0]);
    history.history_add_task(qint64(size), name, episode, path, 3, 4, 60);
    lines = read_lines(network_list);
    FUZZ_CHECK(lines && !lines->isEmpty());
    fields = lines->first().split(u'|');
    FUZZ_CHECK(fields.size() == 7 && fields[6] == QLatin1String("60"));
    // An address keeps its own "%" sequences: it is stored in escape() form.
    if (!path.contains(u'%'))
        FUZZ_CHECK(js_unescape(fields[3]) == path);
    check_page(*lines, false);
    return 0;
}
