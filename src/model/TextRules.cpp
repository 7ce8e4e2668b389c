#include "model/TextRules.h"

namespace priomat {

QString trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    if (begin == 0 && end == text.size())
        return text;
    return text.mid(begin, end - begin);
}

qsizetype leadingBlankCount(const QString &text)
{
    qsizetype n = 0;
    while (n < text.size() && isBlank(text.at(n)))
        ++n;
    return n;
}

QString asciiUpper(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    }
    return result;
}

} // namespace priomat
