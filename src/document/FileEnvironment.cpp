#include "document/FileEnvironment.h"

#include "document/TextFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace priomat {

void OpenStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open() returns the lowest free descriptor: this one.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

void PrepareFileEnvironment()
{
    std::signal(SIGXFSZ, SIG_IGN);
    const QByteArray home = qgetenv("HOME");
    if (!home.isEmpty() && home != "/")
        return;
    const passwd *account = ::getpwuid(::getuid());
    QByteArray found = account && account->pw_dir ? QByteArray(account->pw_dir) : QByteArray();
    // An account whose home is "/" (or none) keeps its files in a folder of its own instead.
    if (found.isEmpty() || found == "/")
        found = QFile::encodeName(QDir::tempPath()) + "/priomat-" + QByteArray::number(::getuid());
    qputenv("HOME", found);
}

bool RepresentableFileName(const char *argument)
{
    const QByteArray bytes(argument);
    return QFile::encodeName(QFile::decodeName(bytes)) == bytes;
}

QString UnrepresentableNameMessage(const char *argument, bool japanese)
{
    // The bytes that do not form UTF-8 are shown as \xNN.
    QString shown;
    const QByteArray bytes(argument);
    for (qsizetype i = 0; i < bytes.size();) {
        qsizetype length = 1;
        while (i + length <= bytes.size() && length <= 4
               && !RepresentableFileName(bytes.mid(i, length).constData()))
            ++length;
        if (i + length <= bytes.size() && length <= 4) {
            shown += QFile::decodeName(bytes.mid(i, length));
            i += length;
        } else {
            shown += QStringLiteral("\\x%1").arg(uint(uchar(bytes.at(i))), 2, 16, QLatin1Char('0'));
            ++i;
        }
    }
    return japanese ? QStringLiteral("ファイル名 \"%1\" は UTF-8 ではないため扱えません。").arg(shown)
                    : QStringLiteral("The file name \"%1\" is not UTF-8 and cannot be used.").arg(shown);
}

QString UserStateFolder()
{
    // XDG: a relative $XDG_STATE_HOME is invalid and ignored.
    QString base = QFile::decodeName(qgetenv("XDG_STATE_HOME"));
    if (!base.startsWith(u'/'))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/priomat"));
}

void MakeFolderPath(const QString &folder, bool privateMode)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    const QStringList parts = clean.split(u'/', Qt::SkipEmptyParts);
    QString path;
    for (const QString &part : parts) {
        path += u'/' + part;
        const QByteArray name = QFile::encodeName(path);
        struct stat info {};
        if (::stat(name.constData(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                throw FileError(QStringLiteral("Cannot create folder \"%1\". \"%2\" is not a folder.").arg(clean, path));
            continue;
        }
        if (::mkdir(name.constData(), privateMode ? 0700 : 0777) != 0 && errno != EEXIST) {
            throw FileError(QStringLiteral("Cannot create folder \"%1\". %2")
                                .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        }
    }
}

} // namespace priomat
