#include "document/JudgementTyping.h"

namespace priomat {

std::optional<TypedJudgement> JudgementTyping::type(QChar character)
{
    const char16_t c = character.unicode();
    TypedJudgement typed;
    if (c == u'1' || c == u'!') {
        typed.value = typed.reciprocal = QStringLiteral("1");
    } else if (c >= u'2' && c <= u'9') {
        const QString digit(character);
        typed.value = ReciprocalPending ? QStringLiteral("1/") + digit : digit;
        typed.reciprocal = ReciprocalPending ? digit : QStringLiteral("1/") + digit;
    } else if (c >= 34 && c <= 41) { // the shifted digits 2 to 9 of a Japanese keyboard
        const QString digit = QString::number(c - 32);
        typed.value = QStringLiteral("1/") + digit;
        typed.reciprocal = digit;
    } else {
        if (c == u'0' || c == u'/')
            ReciprocalPending = true;
        return std::nullopt;
    }
    ReciprocalPending = false;
    return typed;
}

} // namespace priomat
