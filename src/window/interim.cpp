// Placeholders that keep the main window linkable while its areas are being
// written. Each area removes its functions from here as it defines them; this
// file goes away when it is empty.

#include "window/ba1.h"

namespace kelvara {

void BA1::LinkExecute(const QString&) {}
void BA1::l_com(const QString&) {}
void BA1::jia_Click() {}
void BA1::webe_Click() {}
void BA1::Web1_DownloadComplete() {}
void BA1::Web1_NavigateError(const QString&) {}
void BA1::Weby_NavigateError(const QString&) {}
void BA1::Web7_NavigateError(const QString&) {}
void BA1::M_M1_oncontextmenu(QPoint) {}
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
void BA1::kaiqi_Click() {}
void BA1::quxiao_Click() {}
bool BA1::shutdown_armed() const { return false; }
void BA1::system_shutdown(bool) {}
void BA1::Timer5_Timer() {}
void BA1::shengji() {}
void BA1::Timer7_Timer() {}
void BA1::Timer8_Timer() {}
void BA1::Lab2_Click(int) {}
void BA1::adp_Click() {}
void BA1::open_settings(int) {}

} // namespace kelvara
