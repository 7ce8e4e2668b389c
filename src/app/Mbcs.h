// Character-aware functions on double-byte (Shift-JIS) byte strings, and path functions.
#pragma once

#include <QByteArray>
#include <QString>

namespace priomat {

// The Shift-JIS lead bytes: 0x81–0x9F and 0xE0–0xFC.
constexpr bool isShiftJisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// 1-based index of the character at which `sub` first starts, 0 when it does not occur. A match
// never begins on the second byte of a double-byte character.
int MbcsPos(const QByteArray &sub, const QByteArray &text);
// Characters start … start + count − 1 (1-based). A count of 2147483647 or below 0 means to the
// end; a start outside the text gives the empty text.
QByteArray MbcsCopy(const QByteArray &text, int start, int count);
// The number of characters.
int MbcsLength(const QByteArray &text);

// The path with every component in the spelling the file system stores, found without regard
// to letter case; it stops at the last folder that exists. A folder ends with "/". A path
// without "/" gives the empty text.
QString LongPathName(const QString &path);
// Linux names have no short form: the path with each component as it exists, stopping at the
// last folder that exists.
QString ShortPathName(const QString &path);
// Where the system keeps files that outlive the program briefly: the temporary folder, with
// a trailing "/".
QString WindowsFolder();

} // namespace priomat
