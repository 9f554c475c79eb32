// Placeholders that keep the main window linkable while its areas are being
// written. Each area removes its functions from here as it defines them; this
// file goes away when it is empty.

#include "window/ba1.h"

#include <QApplication>

namespace kelvara {

void BA1::Form_Load(const QString&) {}
void BA1::Timer3_Timer() {}
void BA1::ttt_v() {
    close();
    QApplication::quit();
}
void BA1::l_com(const QString&) {}
void BA1::Web1_BeforeNavigate2(const QString&, bool&) {}
void BA1::Web2_BeforeNavigate2(const QString&, bool&) {}
void BA1::Web4_BeforeNavigate2(const QString&, bool&) {}
void BA1::Web5_BeforeNavigate2(const QString&, bool&) {}
std::optional<QString> BA1::request_play_address(qint64, const QString&, const QString&) { return {}; }
void BA1::Timer1_Timer() {}
void BA1::start_playback(const QString&) {}
void BA1::bo_but_Click(int) {}
void BA1::fetch_next_episode() {}
void BA1::step_episode(int) {}
void BA1::Timer2_Timer() {}
void BA1::Timer4_Timer() {}
void BA1::Form_KeyDown(int) {}
void BA1::Web3_BeforeNavigate2(const QString&, bool&) {}
void BA1::CCC() {}
void BA1::ddd() {}
void BA1::eee() {}
void BA1::qk_Click() {}
void BA1::qk_xl() {}
void BA1::qk_xw() {}
void BA1::npc_Click(int) {}
void BA1::zhi_d(int) {}
void BA1::jbi_Click() {}
void BA1::Timer6_Timer() {}
void BA1::apply_round_region() {}
void BA1::Form_Resize() {}
void BA1::qvod_Resize() {}
void BA1::p_p(int) {}
void BA1::paint_buttons() {}
void BA1::paint_frame() {}
void BA1::tray_add(const QString&) {}
void BA1::show_balloon(const QString&) {}
void BA1::tray_remove() {}
void BA1::sweep_tray_icons() {}

} // namespace kelvara
