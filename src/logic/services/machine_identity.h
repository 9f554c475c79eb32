#pragma once

#include <QString>

namespace kelvara {

class Machine;

// The hardware address of the first IPv4-enabled, non-loopback adapter as
// upper-case hexadecimal groups joined by "-"; empty text when there is none
// or it is all zeros or the dial-up adapter's 00-53-45-00-00-00.
QString mac_id(Machine& machine);

// Year, month, day, hour, minute and second of the local time written one
// after another without padding, then three random digits (100 to 999).
QString time_id(Machine& machine);

// mac_id, or time_id when it gives the empty text.
QString machine_identity(Machine& machine);

} // namespace kelvara
