#pragma once

#include <QIcon>
#include <QString>

namespace kelvara {

// The desktop's name for the client: its desktop entry, icon and metadata
// are named after it.
QString desktop_app_id();

// The client's icon (window, taskbar and notification area): the pictures
// installed in the hicolor theme, compiled in so that the window and the
// tray show the same icon as the menu wherever the client runs from.
QIcon app_icon();

} // namespace kelvara
