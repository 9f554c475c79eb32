#include "logic/startup/startup.h"

#include "logic/history/history_files.h"
#include "logic/settings/application_folder.h"
#include "logic/settings/settings.h"
#include "logic/text/text_helpers.h"
#include "platform/dialogs.h"
#include "platform/qvod_component.h"
#include "platform/shell.h"

#include <QFile>
#include <QFileInfo>

namespace kelvara {

namespace {

bool check_qvod(QvodComponent& qvod, const QString& base_url, Dialogs& dialogs, Shell& shell) {
    if (qvod.control_available())
        return true;
    if (qvod.installed_copy_present()) {
        qvod.register_control();
        return true;
    }
    const MsgAnswer answer = dialogs.message_box(
        QStringLiteral("程序检测到您的电脑未安装快播(Qvod)播放器，是否要下载Qvod播放器？"),
        QStringLiteral("提示："), MsgButtons::YesNo, MsgIcon::Question);
    const QString page = qvod_download_page(base_url);
    if (answer == MsgAnswer::Yes && is_web_address(page))
        shell.open_url(page);
    return false;
}

void put_delete_icon(const ApplicationFolder& folder) {
    const QString path = folder.delete_icon();
    if (!QFileInfo::exists(path))
        QFile::copy(QStringLiteral(":/kelvara/i.gif"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::ReadOther);
}

} // namespace

QString qvod_download_page(const QString& base_url) {
    return base_url + QStringLiteral("update/qvod.html");
}

bool run_startup(const QString& app_dir, const QString& base_url, QvodComponent& qvod,
                 Dialogs& dialogs, Shell& shell, Machine& machine) {
    if (!check_qvod(qvod, base_url, dialogs, shell))
        return false;

    const ApplicationFolder folder(app_dir);
    const QString ini = folder.settings_file();
    if (!QFileInfo::exists(ini))
        create_settings(ini, machine);
    repair_settings(ini, machine);

    History history(folder);
    history.create_if_missing(HistoryList::NetworkTasks);
    history.create_if_missing(HistoryList::LocalFiles);
    if (!QFileInfo::exists(folder.network_page()))
        history.history_render(HistoryList::NetworkTasks);
    if (!QFileInfo::exists(folder.local_page()))
        history.history_render(HistoryList::LocalFiles);
    put_delete_icon(folder);
    return true;
}

} // namespace kelvara
