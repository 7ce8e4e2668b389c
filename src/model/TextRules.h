// Blank trimming and line splitting shared by the model and the file formats.
#pragma once

#include <QString>
#include <QStringList>

namespace priomat {

// A blank is any character with a code from 0 to 32 (space, TAB and the control characters).
// A full-width space is not blank.
constexpr bool isBlank(QChar c) { return c.unicode() <= 32; }

QString trimBlanks(const QString &text);

// Upper-cases ASCII letters only, so that section and header names cannot be matched through
// the special casings of other scripts (the dotless i, the long s).
QString asciiUpper(const QString &text);

} // namespace priomat
