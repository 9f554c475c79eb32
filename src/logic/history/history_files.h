#pragma once

#include "logic/settings/application_folder.h"

#include <QString>

namespace kelvara {

class WebPane;

// The two viewing histories in the application folder: date.dat (network
// tasks: id|title|episode|address|v|v1|position) and date_f.dat (local files:
// name|path|position). One record a line, newest first, CR LF line ends;
// lines without "|" are not records but keep their line numbers. Every change
// rewrites the whole file.
// The two lists.
enum class HistoryList {
    NetworkTasks, // date.dat, shown as c.htm
    LocalFiles,   // date_f.dat, shown as f.htm
};

class History {
public:
    explicit History(ApplicationFolder folder);

    // The panes that show c.htm (network_list_pane) and f.htm (local_list_pane); a render reloads
    // them. Null until the window has its panes.
    void set_panes(WebPane* network_pane, WebPane* local_pane);

    QString list_file(HistoryList list) const;
    QString page_file(HistoryList list) const;

    void history_add_task(qint64 id, const QString& title, const QString& episode,
                          const QString& address, qint64 v, qint64 v1, qint64 position);
    void history_set_task_pos(qint64 id, qint64 position);
    void history_add_local(const QString& name, const QString& path, qint64 position);
    void history_set_local_pos(const QString& path, qint64 position);
    void history_delete_line(HistoryList list, qint64 line);
    // Rewrites c.htm or f.htm from the list and reloads its pane.
    void history_render(HistoryList list);

    // Creates a missing list holding one empty line.
    void create_if_missing(HistoryList list);
    // Rewrites a list as one empty line.
    void clear(HistoryList list);

private:
    ApplicationFolder folder_;
    WebPane* network_pane_ = nullptr;
    WebPane* local_pane_ = nullptr;
};

// A field of a network task as written. It holds text in escape() form,
// read through js_unescape, so "|", CR, LF and characters GBK cannot hold
// become the sequences %7C, %0D, %0A and %uXXXX that read back as they were;
// everything else, "%" included, is written as it is.
QString history_field(const QString& text);

// The fields of a local file (its name, read through js_unescape, and its
// path, read through history_field_text) are plain text. They are written as
// they are whenever that reads back unchanged, as every record did before;
// otherwise "%", "|", CR, LF and characters GBK cannot hold are all escaped
// (%25, %7C, %0D, %0A, %uXXXX).
QString local_name_field(const QString& name);
QString local_path_field(const QString& path);
// True when a stored path field names `path`: in the form written now, or
// as a record written before "%25" and "%u" were escapes holds it, verbatim.
bool holds_path(const QString& field, const QString& path);
// A stored path: %7C, %0D, %0A, %25 and %uXXXX read back; any other "%"
// stays as it is.
QString history_field_text(const QString& field);

} // namespace kelvara
