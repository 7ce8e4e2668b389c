// Reading text files in the encoding they were written in, and writing lines atomically.
#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <exception>

namespace priomat {

enum class TextEncoding {
    Utf8,
    Cp932, // Shift-JIS as written on Japanese Windows
};

// A file could not be read or written; the message names the file and the reason.
class FileError : public std::exception
{
public:
    explicit FileError(QString message);
    const QString &message() const { return message_; }
    const char *what() const noexcept override { return what_.constData(); }

private:
    QString message_;
    QByteArray what_;
};

// Splits a text into lines: CR LF, a lone CR and a lone LF each end a line; a line break at the
// very end opens no further line; an empty text has no lines.
QStringList splitTextLines(const QString &text);

struct DecodedText
{
    QStringList lines;
    TextEncoding encoding = TextEncoding::Utf8;
};

// Decodes file content: UTF-8 when it is valid UTF-8 (a byte-order mark is dropped), CP932
// otherwise. A NUL byte ends the text. CR LF, a lone CR and a lone LF each end a line.
DecodedText DecodeTextLines(const QByteArray &bytes);

// The same decoding, the text left in one piece.
struct DecodedWholeText
{
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};
DecodedWholeText DecodeWholeText(QByteArrayView bytes);

// Where a document may be read from. The window program reads regular files only, never
// waiting for a writer; the command-line tool reads pipes and devices as `cat` would.
enum class ReadSource {
    RegularFile,
    AnyFile,
};

// Read a whole file and decode it. Throw FileError.
DecodedText ReadTextFile(const QString &path);
// The file's bytes, up to 512 MB counted as they are read (a device has no size). A folder is
// refused; so is anything but a regular file for RegularFile, without blocking. Throws FileError.
QByteArray ReadFileBytes(const QString &path, ReadSource source = ReadSource::RegularFile);
// Empty for a regular file; otherwise why it is none ("It is a folder.", the system's reason).
QString RegularFileProblem(const QString &path);
// The same for an open descriptor (standard input); `name` stands for it in messages.
QByteArray ReadDescriptorBytes(int fd, const QString &name);

// Encodes lines each followed by CR LF. CP932 is used only when asked for and every character
// fits; `used` (when given) tells which encoding it became.
QByteArray EncodeTextLines(const QStringList &lines, TextEncoding preferred,
                           TextEncoding *used = nullptr);

// Writes all of `bytes` to the open `file` and makes sure they reached it: the write, the flush
// of Qt's buffer and the system's sync are each checked. Throws FileError naming `path` with the
// system's reason ("No space left on device"). The one place every writer's bytes go through.
void WriteWholeFile(QFileDevice &file, const QString &path, const QByteArray &bytes);

// Writes the bytes to a temporary file beside `path` and renames it over `path` only after every
// byte is known to have reached the disk, so a failure (a full disk included) leaves the old file
// as it was and no temporary file behind. A link is followed to the file it names. A target that
// is not a regular file (a device, a FIFO, /dev/stdout) is written through in place, never
// replaced. A read-only target is refused, also for root; a replaced file keeps its owner, group
// and mode. A file with other hard links, one whose owner or group the user cannot give a new
// file, or one in a folder where no temporary file can be made is written in place, after its old
// content was copied to the user's state folder (named in the message if the write fails).
// Throws FileError.
void WriteFileAtomically(const QString &path, const QByteArray &bytes);

// EncodeTextLines + WriteFileAtomically; returns the encoding written.
TextEncoding WriteTextLines(const QString &path, const QStringList &lines,
                            TextEncoding preferred = TextEncoding::Utf8);

} // namespace priomat
