// How each entered cell of a matrix compares with the ratio its weights imply: the classes the
// "Color for inconsistent" option paints, shared by the grid and the report.
#pragma once

#include "model/ComparisonMatrix.h"

#include <vector>

namespace priomat {

// How an entry in a matrix compares with the ratio its weights imply.
enum class ColourClass : unsigned char {
    None,
    MuchHigher, // twice or more
    Higher,     // √2 or more
    Lower,      // 1/√2 or less
    MuchLower,  // half or less
};

// The colour value 0x00BBGGRR of a class, the text colour of a marked cell; 0 for None.
quint32 colourValueOf(ColourClass colour);

// Row-major n × n classes of `matrix` against `weights` (one per item); None on the diagonal,
// for pairs not entered, unreadable entries and weights too small or too large to divide.
std::vector<ColourClass> ClassifyColours(const ComparisonMatrix &matrix, const std::vector<double> &weights);

} // namespace priomat
