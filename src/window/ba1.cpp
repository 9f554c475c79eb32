#include "window/ba1.h"

#include "app/startup.h"
#include "platform/platform.h"

#include <QApplication>

namespace kelvara {

BA1::BA1(Platform& platform, QString app_dir, QString base_url, QWidget* parent)
    : QWidget(parent), platform_(platform), app_dir_(std::move(app_dir)),
      ini_path_(settings_path(app_dir_)), base_url_(std::move(base_url)) {
    setWindowTitle(QStringLiteral("Kelvara"));
    resize(904, 565);
}

BA1::~BA1() = default;

void BA1::ttt_v() {
    close();
    QApplication::quit();
}

} // namespace kelvara
