#include "model/ComparisonValue.h"

#include "model/ComputationError.h"
#include "model/TextRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace priomat {

QString ScaleText(int position)
{
    position = std::clamp(position, ScaleFirstPosition, ScaleLastPosition);
    if (position < ScaleEqualPosition)
        return QStringLiteral("1/") + QString::number(10 - position);
    if (position == ScaleEqualPosition)
        return QStringLiteral("1");
    return QString::number(position - 8);
}

QString ScaleReciprocalText(int position)
{
    return ScaleText(ScaleFirstPosition + ScaleLastPosition - std::clamp(position, 1, 17));
}

QString ReciprocalText(const QString &valueText)
{
    if (valueText == u"1")
        return valueText;
    if (valueText.startsWith(u"1/"))
        return valueText.mid(2);
    return QStringLiteral("1/") + valueText;
}

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Checks the decimal grammar and hands the ASCII text to from_chars.
bool parseDecimal(const QString &trimmed, double &out)
{
    const qsizetype n = trimmed.size();
    qsizetype i = 0;
    bool negative = false;
    if (i < n && (trimmed[i] == u'+' || trimmed[i] == u'-')) {
        negative = trimmed[i] == u'-';
        ++i;
    }
    const qsizetype numberStart = i;
    qsizetype digits = 0;
    while (i < n && isDigit(trimmed[i])) {
        ++i;
        ++digits;
    }
    if (i < n && trimmed[i] == u'.') {
        ++i;
        while (i < n && isDigit(trimmed[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (trimmed[i] == u'e' || trimmed[i] == u'E')) {
        ++i;
        if (i < n && (trimmed[i] == u'+' || trimmed[i] == u'-'))
            ++i;
        qsizetype exponentDigits = 0;
        while (i < n && isDigit(trimmed[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    if (i != n)
        return false;

    std::string ascii;
    ascii.reserve(size_t(n - numberStart + 1));
    if (negative)
        ascii.push_back('-');
    for (qsizetype k = numberStart; k < n; ++k) {
        const char c = char(trimmed[k].unicode());
        // from_chars wants an explicit exponent sign to be '-' or absent.
        if (c == '+')
            continue;
        ascii.push_back(c);
    }
    double value = 0.0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size() || !std::isfinite(value))
        return false;
    out = value;
    return true;
}

bool parseInteger(const QString &text, long long &out)
{
    const QByteArray ascii = text.toLatin1();
    const char *begin = ascii.constData();
    const char *end = begin + ascii.size();
    if (begin != end && *begin == '+')
        ++begin;
    if (begin == end)
        return false;
    const auto result = std::from_chars(begin, end, out);
    if (result.ec != std::errc() || result.ptr != end || text.size() != ascii.size())
        return false;
    out = std::clamp<long long>(out, -1000, 1000); // only the limited position matters
    return true;
}

} // namespace

double ReadDecimal(const QString &text, const QString &reportedText)
{
    double value = 0.0;
    if (!parseDecimal(trimBlanks(text), value))
        throw ComputationError(ComputationError::Kind::Conversion, reportedText);
    return value;
}

double ReadComparisonValue(const QString &valueText)
{
    if (valueText.startsWith(u"1/")) {
        const double divisor = ReadDecimal(valueText.mid(2), valueText);
        if (divisor == 0.0)
            throw ComputationError(ComputationError::Kind::DivisionByZero, valueText);
        const double value = 1.0 / divisor;
        if (!std::isfinite(value))
            throw ComputationError(ComputationError::Kind::Overflow, valueText);
        return value;
    }
    return ReadDecimal(valueText);
}

ScaleReading ReadScalePosition(const QString &cellText)
{
    ScaleReading reading;
    QString text = cellText;
    text.remove(u' ');
    if (text.isEmpty() || text == u"-" || text == u"1") {
        reading.valueText = QStringLiteral("1");
        reading.reciprocalText = QStringLiteral("1");
        reading.position = ScaleEqualPosition;
        return reading;
    }
    reading.valueText = text;
    long long n = 0;
    if (text.startsWith(u"1/")) {
        reading.reciprocalText = text.mid(2);
        if (!parseInteger(reading.reciprocalText, n))
            throw ComputationError(ComputationError::Kind::Conversion, reading.reciprocalText);
        reading.position = int(std::clamp<long long>(10 - n, ScaleFirstPosition, ScaleLastPosition));
    } else {
        reading.reciprocalText = QStringLiteral("1/") + text;
        if (!parseInteger(text, n))
            throw ComputationError(ComputationError::Kind::Conversion, text);
        reading.position = int(std::clamp<long long>(n + 8, ScaleFirstPosition, ScaleLastPosition));
    }
    return reading;
}

} // namespace priomat
