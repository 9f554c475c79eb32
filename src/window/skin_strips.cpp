#include "window/skin_strips.h"

#include <QString>

namespace kelvara {

QPixmap load_strip(int skin, int strip) {
    if (skin < 0 || strip < 0 || strip >= skin_strip_count)
        return {};
    const int number = skin * 100 + 101 + strip;
    return QPixmap(QStringLiteral(":/skins/skin%1/%2.png").arg(skin).arg(number));
}

} // namespace kelvara
