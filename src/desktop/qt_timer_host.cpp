#include "desktop/qt_timer_host.h"

#include <QCoreApplication>

namespace kelvara {

QtTimerHost::~QtTimerHost() = default;

void QtTimerHost::arm(Timer& timer, int interval_ms) {
    auto& slot = timers_[&timer];
    if (!slot) {
        slot = std::make_unique<QTimer>();
        QObject::connect(slot.get(), &QTimer::timeout, [t = &timer] { t->fire(); });
    }
    slot->start(interval_ms);
}

void QtTimerHost::disarm(Timer& timer) {
    const auto it = timers_.find(&timer);
    if (it != timers_.end())
        it->second->stop();
}

void QtEventLoop::do_events() {
    QCoreApplication::processEvents();
}

} // namespace kelvara
