#include "window/app_icon.h"

#include <QDirIterator>

namespace kelvara {

QString desktop_app_id() {
    return QStringLiteral(KELVARA_APP_ID);
}

QIcon app_icon() {
    QIcon icon;
    // One picture per size: hicolor/<n>x<n>/apps/<id>.png.
    QDirIterator it(QStringLiteral(":/icons/hicolor"), {desktop_app_id() + QLatin1String(".png")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        icon.addFile(it.next());
    return icon;
}

} // namespace kelvara
