// Comparison value texts: the 17-step scale, reciprocals and reading a text as a number.
#pragma once

#include <QString>

namespace priomat {

constexpr int ScaleFirstPosition = 1;
constexpr int ScaleEqualPosition = 9;
constexpr int ScaleLastPosition = 17;

// "1/9" … "1/2", "1", "2" … "9" for positions 1 … 17.
QString ScaleText(int position);
// The text of the mirrored position: the reciprocal of ScaleText(position).
QString ScaleReciprocalText(int position);

// Reciprocal of a value text: n gives "1/n", "1/n" gives n, "1" stays "1".
QString ReciprocalText(const QString &valueText);

// Reads a value text under the one rule that the computation and the colouring share:
// "1/" followed by a decimal number is its reciprocal, anything else is read as a decimal
// number with optional blanks around it. Throws ComputationError.
double ReadComparisonValue(const QString &valueText);

// Decimal notation only: optional sign, digits with an optional decimal point, an optional
// exponent, blanks (codes 0 to 32) around it. No hexadecimal, no "inf" or "nan".
// Throws ComputationError (Conversion) naming `reportedText`.
double ReadDecimal(const QString &text, const QString &reportedText);
inline double ReadDecimal(const QString &text) { return ReadDecimal(text, text); }

// Where a cell text puts the scale, and the texts it starts with.
struct ScaleReading
{
    QString valueText;
    QString reciprocalText;
    int position = ScaleEqualPosition; // already limited to 1 … 17
};
// Blanks are removed; "", "-" and "1" read as equal importance. A whole number n gives n + 8,
// "1/n" gives 10 − n. Throws ComputationError (Conversion) when n is not an integer.
ScaleReading ReadScalePosition(const QString &cellText);

} // namespace priomat
