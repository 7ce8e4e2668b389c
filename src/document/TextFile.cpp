#include "document/TextFile.h"

#include "document/FileEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
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

namespace {

QString systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QString kindOfFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("It is a folder.");
    if (S_ISFIFO(mode) || S_ISSOCK(mode))
        return QStringLiteral("It is a pipe, not a file.");
    return QStringLiteral("It is a device, not a file.");
}

// Reads everything the descriptor gives, up to the limit counted in the bytes actually read:
// devices and pipes tell no size, and /dev/zero never ends. A size known beforehand is read
// straight into place; anything else in pieces joined once at the end. Reading stops at a NUL
// byte anyway, so nothing after one is kept (only counted): /dev/zero costs no memory.
QByteArray readCapped(int fd, qint64 sizeHint, const std::function<FileError(const QString &)> &fail)
{
    auto readSome = [&](char *into, qsizetype room) {
        for (;;) {
            const ssize_t count = ::read(fd, into, size_t(room));
            if (count >= 0)
                return qsizetype(count);
            if (errno != EINTR)
                throw fail(systemReason(errno));
        }
    };
    QByteArray first(qsizetype(std::clamp<qint64>(sizeHint, 0, MaxReadableSize)), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < first.size()) {
        const qsizetype count = readSome(first.data() + filled, first.size() - filled);
        if (count == 0)
            break;
        filled += count;
    }
    first.truncate(filled);
    if (filled < qsizetype(sizeHint))
        return first; // the end came first

    constexpr qsizetype PieceSize = qsizetype(1) << 20;
    std::vector<QByteArray> pieces;
    qint64 total = filled;
    bool pastNul = first.contains('\0');
    QByteArray piece;
    for (;;) {
        if (!pastNul || piece.size() != PieceSize)
            piece = QByteArray(PieceSize, Qt::Uninitialized);
        qsizetype used = 0;
        while (used < PieceSize) {
            const qsizetype count = readSome(piece.data() + used, PieceSize - used);
            if (count == 0)
                break;
            used += count;
        }
        total += used;
        if (total > MaxReadableSize)
            throw fail(QStringLiteral("It is too large."));
        if (used == 0)
            break;
        if (!pastNul) {
            const qsizetype nul = QByteArrayView(piece.constData(), used).indexOf('\0');
            pastNul = nul >= 0;
            piece.truncate(pastNul ? nul + 1 : used);
            pieces.push_back(piece);
        }
        if (used < PieceSize)
            break;
    }
    if (pieces.empty())
        return first;
    qsizetype keptSize = first.size();
    for (const QByteArray &kept : pieces)
        keptSize += kept.size();
    QByteArray bytes;
    bytes.reserve(keptSize);
    bytes.append(first);
    first = QByteArray();
    for (QByteArray &kept : pieces) {
        bytes.append(kept);
        kept = QByteArray();
    }
    return bytes;
}

} // namespace

QString RegularFileProblem(const QString &path)
{
    struct stat info {};
    if (path.isEmpty())
        return systemReason(ENOENT);
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return systemReason(errno);
    return S_ISREG(info.st_mode) ? QString() : kindOfFile(info.st_mode);
}

QByteArray ReadFileBytes(const QString &path, ReadSource source)
{
    const QByteArray name = QFile::encodeName(path);
    auto openError = [&path](const QString &reason) {
        return FileError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason));
    };
    struct stat info {};
    // The window never waits for a writer: only a regular file is opened, without blocking
    // even if a FIFO took its place meanwhile.
    int flags = O_RDONLY | O_CLOEXEC;
    if (source == ReadSource::RegularFile) {
        const QString problem = RegularFileProblem(path);
        if (!problem.isEmpty())
            throw openError(problem);
        flags |= O_NONBLOCK;
    }
    const int fd = ::open(name.constData(), flags);
    if (fd < 0)
        throw openError(systemReason(errno));
    const auto closer = qScopeGuard([fd] { ::close(fd); });
    if (::fstat(fd, &info) != 0)
        throw openError(systemReason(errno));
    if (S_ISDIR(info.st_mode) || (source == ReadSource::RegularFile && !S_ISREG(info.st_mode)))
        throw openError(kindOfFile(info.st_mode));
    if (S_ISREG(info.st_mode) && info.st_size > MaxReadableSize)
        throw FileError(QStringLiteral("Cannot open file \"%1\". The file is too large.").arg(path));
    return readCapped(fd, S_ISREG(info.st_mode) ? info.st_size : 0, [&path](const QString &reason) {
        return FileError(QStringLiteral("Cannot read file \"%1\". %2").arg(path, reason));
    });
}

QByteArray ReadDescriptorBytes(int fd, const QString &name)
{
    return readCapped(fd, 0, [&name](const QString &reason) {
        return FileError(QStringLiteral("Cannot read %1. %2").arg(name, reason));
    });
}

DecodedText ReadTextFile(const QString &path)
{
    return DecodeTextLines(ReadFileBytes(path));
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

// Writes through an open descriptor from its start, then cuts what is left of longer old content.
void writeDescriptor(int fd, const QString &path, const QByteArray &bytes, bool truncate)
{
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        throw writeError(path, file.errorString());
    WriteWholeFile(file, path, bytes);
    if (truncate && (::ftruncate(fd, bytes.size()) != 0 || ::fsync(fd) != 0))
        throw writeError(path, systemReason(errno));
}

void writeStream(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw FileError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    WriteWholeFile(file, path, bytes);
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw writeError(path, file.errorString());
}

QString ownerName(uid_t uid)
{
    const passwd *account = ::getpwuid(uid);
    return account ? QString::fromLocal8Bit(account->pw_name) : QString::number(uid);
}

// A temporary file beside `target`, named "<name>.XXXXXX" or, when that would be longer than a
// file name may be, ".priomat.XXXXXX". Returns the descriptor (-1 with errno set).
int makeTemporary(const QString &target, QByteArray &temporaryName)
{
    const QByteArray full = QFile::encodeName(target);
    const qsizetype slash = full.lastIndexOf('/');
    const QByteArray folder = full.left(slash + 1);
    const QByteArray base = full.mid(slash + 1);
    temporaryName = folder + (base.size() + 7 <= NAME_MAX ? base : QByteArray(".priomat")) + ".XXXXXX";
    return ::mkostemp(temporaryName.data(), O_CLOEXEC);
}

void syncFolderOf(const QByteArray &path)
{
    const QByteArray folder = path.left(path.lastIndexOf('/') + 1);
    const int fd = ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The mode bits a replacement gets: the old file's, but setgid only where its owner belongs to
// the group (root could set it where the owner could not).
mode_t keptMode(const struct stat &old)
{
    mode_t mode = old.st_mode & 07777;
    if ((mode & S_ISGID) && ::geteuid() == 0 && old.st_uid != 0) {
        const passwd *account = ::getpwuid(old.st_uid);
        bool member = account && account->pw_gid == old.st_gid;
        if (account && !member) {
            int count = 64;
            std::vector<gid_t> groups(64);
            if (::getgrouplist(account->pw_name, account->pw_gid, groups.data(), &count) < 0) {
                groups.resize(size_t(count));
                ::getgrouplist(account->pw_name, account->pw_gid, groups.data(), &count);
            }
            groups.resize(size_t(std::max(count, 0)));
            member = std::find(groups.begin(), groups.end(), old.st_gid) != groups.end();
        }
        if (!member)
            mode &= ~mode_t(S_ISGID);
    }
    return mode;
}

// The old content copied to the user's state folder before a file is written in place.
QString backUp(const QString &path)
{
    const QByteArray old = ReadFileBytes(path);
    const QString folder = UserStateFolder() + QStringLiteral("/backup");
    MakeFolderPath(folder, true);
    QString base = QFileInfo(path).fileName();
    while (QFile::encodeName(base).size() > 120)
        base.chop(1);
    const QString backup = folder + u'/' + base + u'.'
                           + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss-zzz"));
    WriteFileAtomically(backup, old);
    return backup;
}

// Writes over the file itself, so that its inode, owner, group, mode and links stay: after the
// old content went to a backup, which is removed once the new content is on the disk.
void writeOverOldContent(const QString &path, const QString &finalPath, const QByteArray &bytes)
{
    QString backup;
    try {
        backup = backUp(finalPath);
    } catch (const FileError &error) {
        throw writeError(path, QStringLiteral("Its old content could not be backed up first: %1").arg(error.message()));
    }
    const int fd = ::open(QFile::encodeName(finalPath).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        QFile::remove(backup);
        throw writeError(path, systemReason(code));
    }
    const auto closer = qScopeGuard([fd] { ::close(fd); });
    // Room for the new content is claimed before a byte changes, where the file system can.
    if (::fallocate(fd, 0, 0, off_t(bytes.size())) != 0 && (errno == ENOSPC || errno == EFBIG || errno == EDQUOT)) {
        const int code = errno;
        QFile::remove(backup);
        throw writeError(path, systemReason(code));
    }
    try {
        writeDescriptor(fd, path, bytes, true);
    } catch (const FileError &error) {
        throw FileError(error.message() + QStringLiteral(" Its previous content is kept in \"%1\".").arg(backup));
    }
    QFile::remove(backup);
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
    // Qt's buffer goes out here; a rename must never follow a failed flush.
    if (!file.flush() || file.error() != QFileDevice::NoError)
        throw writeError(path, file.errorString());
    // Some file systems report a full disk or an I/O error only when the data is synced. Pipes,
    // terminals and devices cannot be synced (EINVAL), which is no failure.
    const int handle = file.handle();
    if (handle >= 0 && ::fsync(handle) != 0 && errno != EINVAL)
        throw writeError(path, systemReason(errno));
}

void WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        throw FileError(QStringLiteral("Cannot write a file without a name."));
    QString finalPath = path;
    struct stat old {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        throw writeError(path, systemReason(errno));
    if (exists) {
        if (S_ISDIR(old.st_mode))
            throw writeError(path, QStringLiteral("It is a folder."));
        if (!S_ISREG(old.st_mode) || namesAStream(path)) {
            writeStream(path, bytes);
            return;
        }
        // Root may write anything; a file whose mode allows no writing is still not replaced.
        if (!(old.st_mode & 0222))
            throw writeError(path, QStringLiteral("The file is read-only."));
        if (::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) != 0) {
            if (errno == EACCES && old.st_uid != ::geteuid())
                throw writeError(path, QStringLiteral("The file is owned by %1 and you may not write to it.")
                                           .arg(ownerName(old.st_uid)));
            throw writeError(path, errno == EACCES ? QStringLiteral("The file is read-only.") : systemReason(errno));
        }
        // A link stays a link: the file it names is the one written.
        finalPath = QFileInfo(path).canonicalFilePath();
        // Another name for the same file would keep the old content if it were replaced.
        if (old.st_nlink > 1) {
            writeOverOldContent(path, finalPath, bytes);
            return;
        }
    }

    QByteArray temporary;
    const int fd = makeTemporary(finalPath, temporary);
    if (fd < 0) {
        const int code = errno;
        // A writable file in a folder where nothing can be created is written in place.
        if (exists && (code == EACCES || code == EPERM)) {
            writeOverOldContent(path, finalPath, bytes);
            return;
        }
        const QString folder = QFileInfo(finalPath).absolutePath();
        if (code == EACCES || code == EPERM)
            throw FileError(QStringLiteral("Cannot create file \"%1\". The folder \"%2\" is not writable (%3).")
                                .arg(path, folder, systemReason(code)));
        if (code == ENOENT)
            throw FileError(QStringLiteral("Cannot create file \"%1\". The folder \"%2\" does not exist.").arg(path, folder));
        throw FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, systemReason(code)));
    }
    bool renamed = false;
    auto cleanUp = qScopeGuard([&] {
        ::close(fd);
        if (!renamed)
            ::unlink(temporary.constData());
    });
    if (exists) {
        // The replacement keeps the old file's owner and group; where it cannot (someone else's
        // file, a group the user is not in), the file is written in place instead.
        struct stat made {};
        ::fstat(fd, &made);
        if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid)
            && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            cleanUp.dismiss();
            ::close(fd);
            ::unlink(temporary.constData());
            writeOverOldContent(path, finalPath, bytes);
            return;
        }
        if (::fchmod(fd, keptMode(old)) != 0)
            throw writeError(path, systemReason(errno));
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd, 0666 & ~mask) != 0)
            throw writeError(path, systemReason(errno));
    }
    writeDescriptor(fd, path, bytes, false);
    const QByteArray target = QFile::encodeName(finalPath);
    if (::rename(temporary.constData(), target.constData()) != 0)
        throw writeError(path, systemReason(errno));
    renamed = true;
    syncFolderOf(target);
}

TextEncoding WriteTextLines(const QString &path, const QStringList &lines, TextEncoding preferred)
{
    TextEncoding used = TextEncoding::Utf8;
    const QByteArray bytes = EncodeTextLines(lines, preferred, &used);
    WriteFileAtomically(path, bytes);
    return used;
}

} // namespace priomat
