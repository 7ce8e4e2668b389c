#include "document/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstring>

#include <unistd.h>

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
    return DecodeTextLines(ReadFileBytes(path));
}

DecodedText ReadTextStream(QIODevice &device, const QString &name)
{
    // A stream tells no size: read it in pieces, up to the same limit as a file. The device
    // blocks, so a read of nothing is its end.
    QByteArray bytes;
    QByteArray piece(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 count = device.read(piece.data(), piece.size());
        if (count < 0)
            throw FileError(QStringLiteral("Cannot read %1. %2").arg(name, device.errorString()));
        if (count == 0)
            break;
        bytes.append(piece.constData(), count);
        if (bytes.size() > MaxReadableSize)
            throw FileError(QStringLiteral("Cannot read %1. It is too large.").arg(name));
    }
    return DecodeTextLines(bytes);
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

namespace {

FileError writeError(const QString &path, const QString &reason)
{
    return FileError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
}

// Names of the process's own streams and the kernel's files: whatever they lead to (a terminal,
// a pipe, a file the shell opened) is written through, never replaced by a new file.
bool namesAStream(const QString &path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return clean == u"/dev/stdout" || clean == u"/dev/stderr" || clean.startsWith(u"/dev/fd/")
           || clean.startsWith(u"/proc/");
}

void writeInPlace(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw FileError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    WriteWholeFile(file, path, bytes);
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw writeError(path, file.errorString());
}

} // namespace

void WriteWholeFile(QFileDevice &file, const QString &path, const QByteArray &bytes)
{
    // A write cut short by a full disk returns the part written without an error; the next
    // write brings the system's reason.
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            throw writeError(path, file.errorString());
        done += written;
    }
    // Qt's buffer goes out here; QSaveFile::commit() would rename the file even when this failed.
    if (!file.flush() || file.error() != QFileDevice::NoError)
        throw writeError(path, file.errorString());
    // Some file systems report a full disk or an I/O error only when the data is synced. Pipes,
    // terminals and devices cannot be synced (EINVAL), which is no failure.
    const int handle = file.handle();
    if (handle >= 0 && ::fsync(handle) != 0 && errno != EINVAL)
        throw writeError(path, QString::fromLocal8Bit(std::strerror(errno)));
}

void WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        throw FileError(QStringLiteral("Cannot write a file without a name."));
    const QFileInfo target(path);
    QString finalPath = path;
    if (target.exists()) {
        if (target.isDir())
            throw writeError(path, QStringLiteral("It is a folder."));
        if (!target.isFile() || namesAStream(path)) {
            writeInPlace(path, bytes);
            return;
        }
        // Root may write anything; a file whose mode allows no writing is still not replaced.
        const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        if (!target.isWritable() || !(target.permissions() & writeBits))
            throw writeError(path, QStringLiteral("The file is read-only."));
        // A link stays a link: the file it names is the one replaced.
        if (target.isSymLink())
            finalPath = target.canonicalFilePath();
    }

    QSaveFile file(finalPath);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    try {
        WriteWholeFile(file, path, bytes);
    } catch (...) {
        file.cancelWriting(); // removes the temporary file; the old one was never touched
        throw;
    }
    if (!file.commit())
        throw writeError(path, file.errorString());
}

TextEncoding WriteTextLines(const QString &path, const QStringList &lines, TextEncoding preferred)
{
    TextEncoding used = TextEncoding::Utf8;
    const QByteArray bytes = EncodeTextLines(lines, preferred, &used);
    WriteFileAtomically(path, bytes);
    return used;
}

} // namespace priomat
