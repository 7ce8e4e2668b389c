#include "document/TextFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace priomat {

namespace {

constexpr const char *Cp932Name = "windows-31j";
// Nothing a person writes comes near this; a larger file is refused instead of exhausting memory.
constexpr qint64 MaxReadableSize = qint64(512) * 1024 * 1024;

} // namespace

QStringList splitTextLines(const QString &text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

FileError::FileError(QString message) : message_(std::move(message)), what_(message_.toUtf8()) {}

DecodedWholeText DecodeWholeText(QByteArrayView view)
{
    const qsizetype nul = view.indexOf('\0');
    if (nul >= 0)
        view = view.first(nul);

    DecodedWholeText result;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    result.text = utf8.decode(view);
    if (utf8.hasError()) {
        QStringDecoder cp932(Cp932Name, QStringDecoder::Flag::Stateless);
        result.text = cp932.decode(view);
        result.encoding = TextEncoding::Cp932;
    } else if (result.text.startsWith(QChar(0xFEFF))) {
        result.text.remove(0, 1);
    }
    return result;
}

DecodedText DecodeTextLines(const QByteArray &bytes)
{
    DecodedWholeText whole = DecodeWholeText(bytes);
    DecodedText result;
    result.encoding = whole.encoding;
    result.lines = splitTextLines(whole.text);
    return result;
}

QByteArray ReadFileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    if (file.size() > MaxReadableSize)
        throw FileError(QStringLiteral("Cannot open file \"%1\". The file is too large.").arg(path));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    return bytes;
}

DecodedWholeText ReadWholeTextFile(const QString &path)
{
    return DecodeWholeText(ReadFileBytes(path));
}

DecodedText ReadTextFile(const QString &path)
{
    DecodedWholeText whole = ReadWholeTextFile(path);
    DecodedText result;
    result.encoding = whole.encoding;
    result.lines = splitTextLines(whole.text);
    return result;
}

QByteArray EncodeTextLines(const QStringList &lines, TextEncoding preferred, TextEncoding *used)
{
    QString text;
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const QString &line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    if (preferred == TextEncoding::Cp932) {
        QStringEncoder cp932(Cp932Name, QStringEncoder::Flag::Stateless);
        QByteArray bytes = cp932.encode(text);
        // CP932 bytes that also form valid UTF-8 (half-width katakana can) would be read back
        // as UTF-8 and change; such a text is written as UTF-8 instead.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const bool readsBackAlike = QString(utf8.decode(bytes)) == text || utf8.hasError();
        if (!cp932.hasError() && readsBackAlike) {
            if (used)
                *used = TextEncoding::Cp932;
            return bytes;
        }
    }
    if (used)
        *used = TextEncoding::Utf8;
    return text.toUtf8();
}

void WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw FileError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
    }
    if (!file.commit())
        throw FileError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
}

TextEncoding WriteTextLines(const QString &path, const QStringList &lines, TextEncoding preferred)
{
    TextEncoding used = TextEncoding::Utf8;
    const QByteArray bytes = EncodeTextLines(lines, preferred, &used);
    WriteFileAtomically(path, bytes);
    return used;
}

} // namespace priomat
