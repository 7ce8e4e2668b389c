// Colours that stay readable: WCAG contrast, and text colours of a given hue darkened or
// lightened until they stand out from their background.
#pragma once

#include <QColor>

namespace priomat {

// The smallest contrast for text to count as readable (WCAG AA, normal text).
inline constexpr double ReadableContrast = 4.5;

double RelativeLuminance(const QColor &colour);
// (lighter + 0.05) / (darker + 0.05), 1 … 21.
double ContrastRatio(const QColor &a, const QColor &b);
// `ink` with its hue and saturation kept and its lightness moved away from `background` just
// far enough for `ratio`; black or white when no lightness of that hue gets there.
QColor ReadableInk(const QColor &ink, const QColor &background, double ratio = ReadableContrast);
// `colour` laid over `base` with the given opacity (0 … 1).
QColor Blend(const QColor &base, const QColor &colour, double opacity);

} // namespace priomat
