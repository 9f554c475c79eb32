#pragma once

#include <QString>

namespace kelvara {

class WebPane;

// The two viewing histories in the application folder: date.dat (network
// tasks: id|title|episode|address|v|v1|position) and date_f.dat (local files:
// name|path|position). One record a line, newest first, CR LF line ends;
// lines without "|" are not records but keep their line numbers. Every change
// rewrites the whole file.
class History {
public:
    explicit History(QString app_dir);

    // The panes that show c.htm (Web3) and f.htm (Web4); a render reloads
    // them. Null until the window has its panes.
    void set_panes(WebPane* network_pane, WebPane* local_pane);

    QString file_path(const QString& name) const;

    void history_add_task(qint64 id, const QString& title, const QString& episode,
                          const QString& address, qint64 v, qint64 v1, qint64 position);
    void history_set_task_pos(qint64 id, qint64 position);
    void history_add_local(const QString& name, const QString& path, qint64 position);
    void history_set_local_pos(const QString& path, qint64 position);
    void history_delete_line(const QString& name, qint64 line);
    // Rewrites c.htm or f.htm from the list and reloads its pane.
    void history_render(const QString& name);

    // Creates a missing list holding one empty line.
    void create_if_missing(const QString& name);
    // Rewrites a list as one empty line.
    void clear(const QString& name);

private:
    QString app_dir_;
    WebPane* network_pane_ = nullptr;
    WebPane* local_pane_ = nullptr;
};

// A record field as written: "|", CR and LF become %7C, %0D and %0A, so that a
// field can never break the line format.
QString history_field(const QString& text);
// The inverse for fields that are not shown through js_unescape (paths).
QString history_field_text(const QString& field);

extern const char kNetworkList[]; // "date.dat"
extern const char kLocalList[];   // "date_f.dat"

} // namespace kelvara
