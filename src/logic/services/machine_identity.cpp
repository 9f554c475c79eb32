#include "logic/services/machine_identity.h"

#include "platform/machine.h"

namespace kelvara {

QString mac_id(Machine& machine) {
    QString mac = machine.first_ip_adapter_mac().trimmed().toUpper();
    mac.replace(u':', u'-');
    if (mac.isEmpty() || mac.contains(QLatin1String("00-00-00-00-00-00")) ||
        mac.contains(QLatin1String("00-53-45-00-00-00")))
        return {};
    return mac;
}

QString time_id(Machine& machine) {
    const QDateTime now = machine.local_now();
    const QDate d = now.date();
    const QTime t = now.time();
    double fraction = machine.random_fraction();
    if (fraction < 0 || fraction >= 1)
        fraction = 0;
    const int r = static_cast<int>(fraction * 900) + 100;
    return QString::number(d.year()) + QString::number(d.month()) + QString::number(d.day()) +
           QString::number(t.hour()) + QString::number(t.minute()) + QString::number(t.second()) +
           QString::number(r);
}

QString machine_identity(Machine& machine) {
    const QString id = mac_id(machine);
    return id.isEmpty() ? time_id(machine) : id;
}

} // namespace kelvara
