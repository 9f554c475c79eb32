#include "desktop/qt_tray.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace kelvara {

QtTray::QtTray(QIcon icon) : icon_(std::move(icon)) {}

QtTray::~QtTray() = default;

void QtTray::add(const QString& tip) {
    if (!icon_widget_) {
        icon_widget_ = std::make_unique<QSystemTrayIcon>(icon_);
        QObject::connect(icon_widget_.get(), &QSystemTrayIcon::activated,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (reason == QSystemTrayIcon::Trigger && on_left_click)
                                 on_left_click();
                             else if (reason == QSystemTrayIcon::Context && on_right_click)
                                 on_right_click(QCursor::pos());
                         });
    }
    icon_widget_->setToolTip(tip.trimmed());
    icon_widget_->show();
}

void QtTray::set_tip(const QString& tip) {
    if (icon_widget_)
        icon_widget_->setToolTip(tip.trimmed());
}

void QtTray::show_balloon(const QString& title, const QString& text) {
    if (icon_widget_ && icon_widget_->isVisible())
        icon_widget_->showMessage(title.trimmed(), text.trimmed(), QSystemTrayIcon::Information);
}

void QtTray::remove() {
    if (icon_widget_)
        icon_widget_->hide();
}

bool QtTray::present() const {
    // A desktop without a notification area shows no icon, whatever we ask.
    return icon_widget_ && icon_widget_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace kelvara
