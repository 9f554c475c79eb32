#pragma once

#include <QIcon>

namespace kelvara {

// The client's icon (window, taskbar and notification area): a play sign on
// a blue rounded square, drawn at the usual icon sizes.
QIcon app_icon();

} // namespace kelvara
