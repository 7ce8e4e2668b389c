// The general float format of every computed number the program shows or writes.
#pragma once

#include <QString>

namespace priomat {

// Up to 15 significant digits, trailing zeros removed, "." as decimal separator.
// Fixed notation for 0.0001 <= |value| < 1E15, otherwise scientific as in 1.5E-16 or 2E15.
QString FormatFloat(double value);

} // namespace priomat
