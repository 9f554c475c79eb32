// The text advertisements of the status bar, the fallback picture over the
// video, and the floating advertisement window.

#include "platform/platform.h"
#include "platform/shell.h"
#include "window/main_window.h"
#include "window/services/adsb.h"

namespace kelvara {

void MainWindow::connect_services() {
    for (Label* label : Lab2)
        connect(label, &Label::clicked, this, [this](int index) { Lab2_Click(index); });
    connect(adp, &PictureBox::clicked, this, [this] { adp_Click(); });
}

void MainWindow::rotate_text_ads() {
    int k = 0;
    for (int i = 0; i < 4; ++i) {
        if (!Lab2[i]->caption().isEmpty() && !Te[i].isEmpty())
            ++k;
    }
    if (k == 0) {
        text_ad_timer->set_enabled(false);
        return;
    }
    const int c = std::clamp(static_cast<int>(Lab0.toInt()), 0, 3);
    int n = c + 1;
    if (n >= k)
        n = 0;
    Lab0 = QString::number(n);
    Lab2[c]->hide();
    Lab2[n]->show();
}

void MainWindow::Lab2_Click(int index) {
    if (index < 0 || index > 3)
        return;
    // Links come from the server: only web addresses are opened.
    if (is_web_address(Te[index]))
        platform_.shell.open_url(Te[index].trimmed());
}

void MainWindow::adp_Click() {
    transport_button_clicked(kPlayPauseButton);
}

void MainWindow::floating_ad_due() {
    show_floating_ad();
    floating_ad_timer->set_enabled(false);
}

void MainWindow::show_floating_ad() {
    if (adsb_)
        return;
    adsb_ = std::make_unique<adsb>(platform_, base_url());
    connect(adsb_.get(), &adsb::closed, this, [this] { adsb_.release()->deleteLater(); });
    adsb_->Form_Load();
}

void MainWindow::close_floating_ad() {
    if (adsb_)
        adsb_->unload();
}

} // namespace kelvara
