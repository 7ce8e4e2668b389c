#include "document/MatrixColours.h"

#include "model/ComparisonValue.h"
#include "model/ComputationError.h"

namespace priomat {

quint32 colourValueOf(ColourClass colour)
{
    switch (colour) {
    case ColourClass::MuchHigher: return 0x0000FF;
    case ColourClass::Higher: return 0x0080FF;
    case ColourClass::Lower: return 0x00FF00;
    case ColourClass::MuchLower: return 0xFF0000;
    case ColourClass::None: break;
    }
    return 0;
}

std::vector<ColourClass> ClassifyColours(const ComparisonMatrix &matrix, const std::vector<double> &weights)
{
    const int n = matrix.size();
    std::vector<ColourClass> colours(size_t(n) * size_t(n), ColourClass::None);
    std::vector<const QString *> entries;
    for (int i = 0; i < n; ++i) {
        matrix.rowEntries(i, entries);
        const double wi = weights[size_t(i)];
        for (int j = 0; j < n; ++j) {
            const QString *text = entries[size_t(j)];
            const double wj = weights[size_t(j)];
            if (i == j || !text || text->isEmpty() || !(wi > 1e-100 && wi < 1e100) || !(wj > 1e-100 && wj < 1e100)
                || wi / wj == 0.0)
                continue;
            double r = 0.0;
            try {
                r = ReadComparisonValue(*text) / (wi / wj);
            } catch (const ComputationError &) {
                continue;
            }
            ColourClass colour = ColourClass::None;
            if (r >= 2)
                colour = ColourClass::MuchHigher;
            else if (r >= 1.41421356)
                colour = ColourClass::Higher;
            else if (r <= 0.5)
                colour = ColourClass::MuchLower;
            else if (r <= 0.70710678)
                colour = ColourClass::Lower;
            colours[size_t(i) * size_t(n) + size_t(j)] = colour;
        }
    }
    return colours;
}

} // namespace priomat
