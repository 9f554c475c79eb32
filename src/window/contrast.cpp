#include "window/contrast.h"

#include <algorithm>
#include <cmath>

namespace kelvara {

namespace {

double linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

} // namespace

double contrast_ratio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readable_on(const QColor& wanted, const QColor& background, double ratio) {
    if (contrast_ratio(wanted, background) >= ratio)
        return wanted;
    // Mid-grey against black and against white reads alike at about 0.18.
    const bool lighten = luminance(background) < 0.18;
    const QColor hsl = wanted.toHsl();
    const double start = hsl.lightnessF();
    const double end = lighten ? 1.0 : 0.0;
    constexpr int kSteps = 200;
    for (int i = 1; i <= kSteps; ++i) {
        const double lightness = start + (end - start) * i / kSteps;
        const QColor candidate =
            QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), lightness).toRgb();
        if (contrast_ratio(candidate, background) >= ratio)
            return candidate;
    }
    return lighten ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace kelvara
