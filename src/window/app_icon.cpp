#include "window/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kelvara {

namespace {

QPixmap icon_picture(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF tile(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0, QColor(58, 146, 240));
    fill.setColorAt(1, QColor(12, 62, 148));
    p.setPen(QPen(QColor(8, 44, 110), std::max(1.0, s / 48)));
    p.setBrush(fill);
    p.drawRoundedRect(tile, s * 0.2, s * 0.2);
    // A soft highlight on the upper half.
    QPainterPath shine;
    shine.addRoundedRect(tile.adjusted(s * 0.05, s * 0.05, -s * 0.05, -s * 0.5), s * 0.16,
                         s * 0.16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawPath(shine);
    QPainterPath play;
    play.moveTo(s * 0.38, s * 0.27);
    play.lineTo(s * 0.75, s * 0.5);
    play.lineTo(s * 0.38, s * 0.73);
    play.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(play);
    return pm;
}

} // namespace

QIcon app_icon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(icon_picture(size));
    return icon;
}

} // namespace kelvara
