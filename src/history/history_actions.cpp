#include "window/ba1.h"

#include "app/guanbi.h"
#include "common/qvod_terminal_api.h"
#include "common/text_files.h"
#include "common/text_helpers.h"
#include "history/downloads.h"
#include "history/history_files.h"
#include "logic/history/history_records.h"
#include "panes/js_escape.h"
#include "panes/link_formats.h"
#include "panes/qvod_address.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/shell.h"
#include "platform/web_pane.h"
#include "player/player_view.h"
#include "tray/tip.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace kelvara {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kAsk = QStringLiteral("提示：");

QString active_list(const BA1& w) {
    return QString::fromLatin1(w.local_list_shown() ? kLocalList : kNetworkList);
}

// Line `n` (from 1) of a list; empty when the list or the line is missing.
QString list_line(BA1& w, const QString& list, qint64 n) {
    const std::optional<QStringList> lines = read_lines(w.history().file_path(list));
    if (!lines || n < 1 || n > lines->size())
        return {};
    return lines->at(n - 1);
}

bool ask(BA1& w, const QString& text) {
    return w.platform().dialogs.message_box(text, kAsk, MsgButtons::YesNo, MsgIcon::None) ==
           MsgAnswer::Yes;
}

// The QVOD download folder from its settings; empty when they name none.
QString configured_download_folder(BA1& w) {
    const QString xml =
        join_path(w.qvod_program_folder(), QLatin1String(terminal_api::kSettingsFile));
    return QFileInfo::exists(xml) ? default_save_path(xml) : QString();
}

void delete_row(BA1& w, const QString& list, qint64 n) {
    w.history().history_delete_line(list, n);
    if (w.play_kind != 1)
        w.Web5->refresh(); // it shows c.htm while a local file plays
}

void replay_local(BA1& w, const LocalFileRecord& record, qint64 n) {
    QString path = history_field_text(record.path);
    // A record written before "%25" and "%u" were escapes holds the path as
    // it is.
    if (!QFileInfo(path).isFile() && QFileInfo(record.path).isFile())
        path = record.path;
    if (!QFileInfo(path).isFile()) {
        w.platform().dialogs.message_box(path + QStringLiteral("不存在"), QStringLiteral("Kelvara"),
                                         MsgButtons::Ok, MsgIcon::None);
        w.history().history_delete_line(QString::fromLatin1(kLocalList), n);
        return;
    }
    w.start_playback(path);
    show_now_playing(w, js_unescape(record.name));
    w.playing_local_file(path, record.position.value_or(0));
    w.Web5->navigate(w.app_file(QStringLiteral("c.htm")));
    w.npc_Click(9);
}

void replay_task(BA1& w, const NetworkTaskRecord& record) {
    const QString key = record.episode_key();
    if (record.address.contains(QLatin1String("qvod"))) {
        if (find_process_id(w.platform().processes, QLatin1String(terminal_api::kProgram),
                            w.qvod_program_folder()) == 0) {
            w.platform().events.do_events();
            w.start_qvod_terminal();
        }
        w.start_playback(js_unescape(record.address));
        show_now_playing(w, js_unescape(record.title), js_unescape(record.episode));
        w.resume_done = 0;
        w.resume_pos = record.position.value_or(0);
        w.Web5->navigate(episode_page_address(w.base_url(), key, QStringLiteral("0")));
        w.play_key = key;
        w.next_link = w.next_addr = QStringLiteral("0");
        w.next_pending = 0;
        w.play_id = record.id;
        w.web_mode = 0;
    } else {
        // The web player's episode page plays it; the suffix names the episode.
        w.web_mode = 1;
        w.play_id = QStringLiteral("0");
        w.Web5->navigate(episode_page_address(w.base_url(), key, record.v + record.v1));
    }
    w.play_kind = 1;
    w.npc_Click(9);
}

void open_row(BA1& w, const QString& address) {
    w.bo_but_Click(1);
    const qint64 n = to_number(strip_scheme(address, QStringLiteral("open://")));
    const QString line = list_line(w, active_list(w), n);
    // An out-of-date page may name a line that is no record: nothing to play.
    if (w.local_list_shown()) {
        if (const std::optional<LocalFileRecord> record = LocalFileRecord::parse(line))
            replay_local(w, *record, n);
    } else if (const std::optional<NetworkTaskRecord> record = NetworkTaskRecord::parse(line)) {
        replay_task(w, *record);
    }
}

// The row number a history link carries.
QString row_of(const QString& href) {
    QString n = href;
    n.remove(QStringLiteral("open://"));
    n.remove(QStringLiteral("delk://"));
    if (n.endsWith(u'/'))
        n.chop(1);
    return n;
}

// Asks before deleting the downloaded files of a task; No shows the folder.
void delete_task_downloads(BA1& w, const QString& folder, const QStringList& names) {
    if (names.isEmpty())
        return;
    QString list;
    for (const QString& name : names)
        list += name + kCrLf;
    const QString question = QStringLiteral("确定要删除 [") + folder +
                             QStringLiteral("] 下面的这些文件吗？") + kCrLf + kCrLf + list;
    if (ask(w, question)) {
        if (!delete_downloads(folder, names).isEmpty())
            w.show_balloon(QStringLiteral("部分文件可能正在使用中，未删除成功！请手动删除！"));
        return;
    }
    QStringList any;
    if (list_files(folder, QStringLiteral("*.*"), any))
        w.platform().shell.open_folder(folder);
}

} // namespace

void BA1::Web3_BeforeNavigate2(const QString& address, bool& cancel) {
    if (address.left(7) == QLatin1String("delk://")) {
        cancel = true;
        QString n = address;
        n.remove(QStringLiteral("delk://"));
        n.remove(u'/');
        delete_row(*this, active_list(*this), to_number(n));
    } else if (address.left(7) == QLatin1String("open://")) {
        cancel = true;
        open_row(*this, address);
    }
}

void BA1::M_M3_oncontextmenu(QPoint global_pos, const QString& href) {
    if (!href.contains(QLatin1String("open://")))
        return;
    sel_href = href;
    menus().popup_global(menus().webc, global_pos);
}

void BA1::M_M5_oncontextmenu(QPoint global_pos, const QString& href) {
    M_M3_oncontextmenu(global_pos, href);
}

void BA1::CCC() {
    if (!sel_href.contains(QLatin1String("//")))
        return;
    QString n = sel_href;
    Web3->navigate(QStringLiteral("open://") + n.remove(QStringLiteral("open://")));
}

void BA1::ddd() {
    if (!sel_href.contains(QLatin1String("//")))
        return;
    QString n = sel_href;
    Web3->navigate(QStringLiteral("delk://") + n.remove(QStringLiteral("open://")));
}

void BA1::eee() {
    if (!sel_href.contains(QLatin1String("//")))
        return;
    const QString n = row_of(sel_href);
    const QString list = history().file_path(QString::fromLatin1(kNetworkList));
    if (!QFileInfo::exists(list))
        return;
    const std::optional<NetworkTaskRecord> record =
        NetworkTaskRecord::parse(list_line(*this, QString::fromLatin1(kNetworkList), to_number(n)));
    const QString address = record ? js_unescape(record->address) : QString();
    const bool names_a_file = parse_qvod_address(address).has_value();
    if (names_a_file) {
        // Nothing is deleted unless the settings name an absolute folder,
        // and there only the files the download's record names.
        const QString folder = configured_download_folder(*this);
        if (QDir::isAbsolutePath(folder))
            delete_task_downloads(*this, folder, download_files(folder, address));
    }
    Web3->navigate(QStringLiteral("delk://") + n);
    if (names_a_file && play_kind != 1)
        Web5->refresh();
}

void BA1::qk_Click() {
    qk->set_fore_color(QColor(0x5A, 0x5A, 0x5A));
    if (!local_list_shown()) {
        menus().popup_global(menus().c_fie, QCursor::pos());
        return;
    }
    if (!ask(*this, QStringLiteral("确定要删除全部[本地播放]列表吗？")))
        return;
    const QString name = QString::fromLatin1(kLocalList);
    if (QFileInfo::exists(history().file_path(name))) {
        history().clear(name);
        history().history_render(name);
    }
}

void BA1::qk_xl() {
    if (local_list_shown())
        return;
    if (!ask(*this, QStringLiteral("确定要删除全部[网络任务]列表吗？")))
        return;
    const QString name = QString::fromLatin1(kNetworkList);
    if (QFileInfo::exists(history().file_path(name))) {
        history().clear(name);
        history().history_render(name);
        if (play_kind != 1)
            Web5->refresh();
    }
}

void BA1::qk_xw() {
    QString folder = configured_download_folder(*this);
    if (!QDir::isAbsolutePath(folder))
        folder = terminal_api::default_download_folder();
    QStringList names;
    if (!list_files(folder, QStringLiteral("*.*"), names))
        return;
    if (npc[4]->tip() == QLatin1String("取消置顶"))
        npc_Click(4);
    platform().shell.open_folder(folder);
}

} // namespace kelvara
