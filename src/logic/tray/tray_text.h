#pragma once

#include <QString>

namespace kelvara {

// The notification icon's text fields have fixed lengths in bytes of the
// GBK text: the tip 128, the balloon text 256, the balloon title 64.
constexpr int tray_tip_bytes = 128;
constexpr int balloon_text_bytes = 256;
constexpr int balloon_title_bytes = 64;

// The longest prefix of `text` whose GBK form takes at most `bytes` bytes; a
// double-byte character is never cut in half.
QString fit_field(const QString& text, int bytes);

} // namespace kelvara
