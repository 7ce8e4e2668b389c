#include "ui/main/ReadableColours.h"

#include <algorithm>
#include <cmath>

namespace priomat {

double RelativeLuminance(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    auto channel = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

double ContrastRatio(const QColor &a, const QColor &b)
{
    const double x = RelativeLuminance(a);
    const double y = RelativeLuminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

QColor ReadableInk(const QColor &ink, const QColor &background, double ratio)
{
    if (ContrastRatio(ink, background) >= ratio)
        return ink;
    // Darker text on light backgrounds, lighter on dark ones; the hue says what it means.
    const bool darken = RelativeLuminance(background) > 0.18;
    const QColor hsl = ink.toHsl();
    const double hue = hsl.hslHueF();
    const double saturation = hsl.hslSaturationF();
    double lightness = hsl.lightnessF();
    for (int step = 0; step < 100; ++step) {
        lightness = darken ? std::max(0.0, lightness - 0.01) : std::min(1.0, lightness + 0.01);
        const QColor candidate = QColor::fromHslF(float(hue), float(saturation), float(lightness)).toRgb();
        if (ContrastRatio(candidate, background) >= ratio)
            return candidate;
        if (lightness <= 0.0 || lightness >= 1.0)
            break;
    }
    return darken ? QColor(Qt::black) : QColor(Qt::white);
}

QColor Blend(const QColor &base, const QColor &colour, double opacity)
{
    const QColor a = base.toRgb();
    const QColor b = colour.toRgb();
    auto mix = [opacity](int x, int y) { return int(std::lround(x + (y - x) * opacity)); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

} // namespace priomat
