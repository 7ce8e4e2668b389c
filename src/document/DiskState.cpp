#include "document/DiskState.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <sys/stat.h>

namespace priomat {

namespace {

bool statPath(const QString &path, DiskStamp &stamp)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    return true;
}

QString canonicalOrAbsolute(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

QByteArray ContentDigest(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

DiskStamp DiskStamp::of(const QString &path, QByteArrayView bytes)
{
    DiskStamp stamp;
    stamp.known = statPath(path, stamp);
    stamp.digest = ContentDigest(bytes);
    return stamp;
}

DiskComparison CompareWithDisk(const QString &path, DiskStamp &stamp, DiskStamp *current)
{
    DiskStamp now;
    if (!statPath(path, now))
        return DiskComparison::Missing;
    now.known = true;
    if (now.sameMetadata(stamp)) {
        if (current)
            *current = stamp;
        return DiskComparison::Same;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DiskComparison::Changed;
    // Read no further than the size a changed file would have to differ by anyway.
    const QByteArray bytes = file.read(now.size + 1);
    now.digest = ContentDigest(bytes);
    if (current)
        *current = now;
    if (qint64(bytes.size()) == stamp.size && now.digest == stamp.digest) {
        stamp = now;
        return DiskComparison::Same;
    }
    return DiskComparison::Changed;
}

bool SameFile(const QString &a, const QString &b)
{
    DiskStamp first;
    DiskStamp second;
    if (a.isEmpty() || b.isEmpty() || !statPath(a, first) || !statPath(b, second))
        return false;
    return first.device == second.device && first.inode == second.inode;
}

EditLock::EditLock() = default;

EditLock::~EditLock()
{
    release();
}

QString EditLock::lockPathFor(const QString &documentPath)
{
    const QString document = canonicalOrAbsolute(documentPath);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QDir(runtime).mkpath(QStringLiteral("priomat"))) {
        const QByteArray key = QCryptographicHash::hash(QFile::encodeName(document), QCryptographicHash::Sha1);
        return runtime + QStringLiteral("/priomat/") + QString::fromLatin1(key.toHex()) + QStringLiteral(".lock");
    }
    const QFileInfo info(document);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".priomat-lock");
}

bool EditLock::hold(const QString &documentPath)
{
    const QString lockPath = lockPathFor(documentPath);
    if (lock_ && path_ == lockPath)
        return true;
    release();
    auto lock = std::make_unique<QLockFile>(lockPath);
    lock->setStaleLockTime(0); // stale only when its process is gone, never by age
    if (!lock->tryLock(0))
        return false;
    lock_ = std::move(lock);
    path_ = lockPath;
    return true;
}

void EditLock::release()
{
    if (lock_)
        lock_->unlock();
    lock_.reset();
    path_.clear();
}

bool EditLock::otherHolder(const QString &documentPath, Holder &holder)
{
    QLockFile probe(lockPathFor(documentPath));
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    QString application;
    if (probe.error() != QLockFile::LockFailedError || !probe.getLockInfo(&holder.pid, &holder.host, &application))
        return false;
    return holder.pid != QCoreApplication::applicationPid();
}

QString HeldElsewhereMessage(const QString &path, const EditLock::Holder &holder, bool japanese)
{
    if (japanese)
        return QStringLiteral("%1\r\nは別の Priomat（%2 のプロセス %3）で開かれていて、保存されていない変更があります。\r\n"
                              "両方で保存すると、一方の変更が失われます。")
            .arg(path, holder.host)
            .arg(holder.pid);
    return QStringLiteral("%1\r\nis open with unsaved changes in another Priomat (process %3 on %2).\r\n"
                          "If both save it, one of them loses its changes.")
        .arg(path, holder.host)
        .arg(holder.pid);
}

} // namespace priomat
