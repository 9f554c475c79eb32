#include "logic/tray/tray_text.h"

#include "logic/text/text_helpers.h"

namespace kelvara {

QString fit_field(const QString& text, int bytes) {
    return gbk_prefix(text, bytes);
}

} // namespace kelvara
