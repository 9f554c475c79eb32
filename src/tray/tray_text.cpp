#include "tray/tray_text.h"

#include "common/gbk.h"

namespace kelvara {

QString fit_field(const QString& text, int bytes) {
    int used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const int width = gbk_width(text, i);
        if (used + width > bytes)
            break;
        used += width;
        // A surrogate pair is one character.
        i += text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    }
    return text.left(i);
}

} // namespace kelvara
