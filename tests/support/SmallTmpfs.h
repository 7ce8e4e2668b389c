// A small tmpfs mounted for one test, to fill a file system for real. Mounting needs root (CI
// runs the tests as root); elsewhere `skipReason` says why there is none.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <unistd.h>

namespace priomat::test {

class SmallTmpfs
{
public:
    // `flags` as for mount(2), for example MS_NOEXEC.
    explicit SmallTmpfs(int kilobytes, unsigned long flags = 0)
    {
        if (::geteuid() != 0) {
            skipReason = "mounting a small tmpfs needs root";
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0755";
        if (::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", flags,
                    options.constData())
            != 0) {
            skipReason = "tmpfs could not be mounted here (no CAP_SYS_ADMIN?)";
            return;
        }
        mounted_ = true;
        flags_ = flags;
    }
    ~SmallTmpfs()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;

    bool mounted() const { return mounted_; }
    QString path(const QString &relative = QString()) const
    {
        return relative.isEmpty() ? dir_.path() : dir_.path() + '/' + relative;
    }

    // Fills the file system with "filler" until not one more byte fits, then gives back
    // `freeBytes` (rounded by the file system to whole pages).
    void fill(qint64 freeBytes = 0) const
    {
        QFile filler(path("filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        while (filler.write("f", 1) == 1) {
        }
        if (freeBytes > 0)
            filler.resize(qMax<qint64>(0, filler.size() - freeBytes));
    }

    // What the folder holds besides the filler: a temporary file left behind shows here.
    QStringList entries() const
    {
        QStringList names = QDir(path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeAll("filler");
        return names;
    }

    // Makes the whole file system read-only, as a system folder is for a normal user.
    bool remountReadOnly() const
    {
        return mounted_
               && ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs",
                          MS_REMOUNT | MS_RDONLY | flags_, nullptr)
                      == 0;
    }

    QString skipReason;

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    unsigned long flags_ = 0;
};

} // namespace priomat::test
