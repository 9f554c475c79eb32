// The server's notice file, fetched once after start, and the update offer.

#include "logic/services/notice_file.h"
#include "logic/text/text_helpers.h"
#include "platform/dialogs.h"
#include "platform/platform.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/transfer.h"
#include "window/contrast.h"
#include "window/main_window.h"

#include <QFileInfo>

namespace kelvara {

namespace {

const QColor kTextAdColor(17, 64, 96);

} // namespace

void MainWindow::read_notice_file() {
    notice_timer->set_enabled(false);
    const std::optional<Notice> notice =
        parse_notice(platform_.transfer.open_url(base_url() + QLatin1String("lib/wen.txt")));
    if (!notice)
        return;
    exit_action = notice->field(0);
    text_ad_switch = notice->field(1);
    new_version = notice->field(5);

    if (notice_number(notice->field(4)) == 1 && qvodad_failed != 1) {
        ad_huan->show();
        adp->hide();
    }
    const QString ads = notice->field(2);
    if (notice_number(text_ad_switch) == 1 && !ads.isEmpty() &&
        ads.contains(QLatin1String("****"))) {
        const std::vector<TextAd> items = text_ads(ads);
        for (size_t i = 0; i < items.size(); ++i) {
            Lab2[i]->set_caption(items[i].text);
            // The operator's colour, lightened as far as the dark status bar
            // needs to keep it readable.
            Lab2[i]->set_fore_color(readable_on(kTextAdColor, bo_zt->back_color()));
            Te[i] = items[i].link;
        }
        if (compact_mode != 1)
            text_ad_timer->set_enabled(true);
    }

    new_version = clean_version(new_version);
    if (offer_at_start(new_version, running_version))
        offer_update(QStringLiteral("update/setup.exe"));
    if (notice_number(notice->field(3)) == 1)
        floating_ad_timer->set_enabled(true);
}

void MainWindow::offer_update_on_demand() {
    if (offer_on_demand(new_version, running_version)) {
        offer_update(QStringLiteral("update/update.exe"));
        return;
    }
    platform_.dialogs.message_box(QStringLiteral("你现在使用的是最新版本，无需升级！"),
                                  QStringLiteral("提示："), MsgButtons::Ok, MsgIcon::None);
}

void MainWindow::offer_update(const QString& download_path) {
    const MsgAnswer answer = platform_.dialogs.message_box(
        QStringLiteral("检测到最新版本 ") + new_version + QStringLiteral(" ,你需要现在升级吗？"),
        QStringLiteral("Kelvara提示："), MsgButtons::YesNo, MsgIcon::None);
    if (answer != MsgAnswer::Yes)
        return;
    // The updater runs only from the application folder; the client never
    // runs a program it fetched itself.
    const QString updater = app_folder().updater();
    if (QFileInfo(updater).isFile())
        platform_.processes.start_detached(updater, {}, true);
    else if (is_web_address(base_url() + download_path))
        platform_.shell.open_url(base_url() + download_path);
    quit_client();
}

} // namespace kelvara
