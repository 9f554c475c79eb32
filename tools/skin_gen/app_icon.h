#pragma once

#include <QByteArray>
#include <QImage>

namespace kelvara::skin_gen {

// The client's icon: a white play sign on a blue rounded square. The same
// drawing as a picture of size × size pixels and as an SVG document, for the
// hicolor theme and the client's own window and tray.
QImage paint_app_icon(int size);
QByteArray app_icon_svg();

} // namespace kelvara::skin_gen
