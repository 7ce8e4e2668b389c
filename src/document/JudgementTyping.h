// The keyboard rule of the matrix grid: a typed character becomes a value text for the cell and
// the text for its mirror. "0" or "/" makes the next digit a reciprocal.
#pragma once

#include <QChar>
#include <QString>

#include <optional>

namespace priomat {

struct TypedJudgement
{
    QString value;
    QString reciprocal;
};

class JudgementTyping
{
public:
    // The judgement the character stands for, or none ("0", "/" and characters outside the
    // rule). Any digit 1 to 9, shifted or not, clears ReciprocalPending, whether or not the
    // judgement can be stored anywhere.
    std::optional<TypedJudgement> type(QChar character);

    // "0" or "/" was typed: the next digit 2 to 9 is entered as its reciprocal.
    bool ReciprocalPending = false;
};

} // namespace priomat
