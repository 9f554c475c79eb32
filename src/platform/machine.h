#pragma once

#include <QDateTime>
#include <QString>

namespace kelvara {

// Facts about this machine used for its identity.
class Machine {
public:
    virtual ~Machine() = default;
    // Hardware address of the first non-loopback network adapter that has
    // IPv4 enabled, as the system reports it ("00:1a:2b:3c:4d:5e"); empty
    // text when there is none.
    virtual QString first_ip_adapter_mac() = 0;
    virtual QDateTime local_now() = 0;
    // A random number in [0, 1).
    virtual double random_fraction() = 0;
};

} // namespace kelvara
