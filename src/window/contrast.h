#pragma once

#include <QColor>

namespace kelvara {

// The contrast of two colours by their relative luminance (WCAG 2): from 1,
// none, to 21, black on white.
double contrast_ratio(const QColor& a, const QColor& b);

// The least a text must have against its background to read well (WCAG AA).
inline constexpr double kReadableContrast = 4.5;

// `wanted`, made lighter on a dark background or darker on a light one, with
// its hue and saturation, just as far as it takes to reach `ratio` against
// `background`; unchanged when it already does.
QColor readable_on(const QColor& wanted, const QColor& background,
                   double ratio = kReadableContrast);

} // namespace kelvara
