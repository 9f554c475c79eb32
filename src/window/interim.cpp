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
