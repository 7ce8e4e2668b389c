// What the session knows about its file on disk: the state it last read or wrote, compared before
// a save, and the lock that tells other Priomat processes the file has unsaved changes here.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QLockFile;

namespace priomat {

// A file's size, modification time, inode and a hash of its bytes, as read or written.
struct DiskStamp
{
    bool known = false;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;
    QByteArray digest;

    // The file at `path` as it is now, holding `bytes` (those just read or written).
    static DiskStamp of(const QString &path, QByteArrayView bytes);
    bool sameMetadata(const DiskStamp &other) const
    {
        return size == other.size && modifiedNs == other.modifiedNs && device == other.device
               && inode == other.inode;
    }
};

QByteArray ContentDigest(QByteArrayView bytes);

enum class DiskComparison {
    Same,    // the file still holds what the stamp describes (perhaps rewritten alike)
    Changed, // other bytes, or a file that cannot be read any more
    Missing, // no file at the path
};

// Compares the file at `path` with `stamp`: the metadata first, the bytes only when it differs.
// A file rewritten with the same bytes counts as the same and renews the stamp's metadata.
// `current` (when given) receives the stamp of what is on disk now.
DiskComparison CompareWithDisk(const QString &path, DiskStamp &stamp, DiskStamp *current = nullptr);

// Whether two paths name the same file (links followed); false when either does not exist.
bool SameFile(const QString &a, const QString &b);

// A lock file saying "this process holds the document open with unsaved changes", in
// $XDG_RUNTIME_DIR/priomat/ or, without a runtime folder, beside the document. A lock whose
// process is gone is stale and taken over.
class EditLock
{
public:
    EditLock();
    ~EditLock();
    // Holds the lock for `documentPath` (releasing any other); false when another process holds it.
    bool hold(const QString &documentPath);
    void release();

    struct Holder
    {
        qint64 pid = 0;
        QString host;
    };
    // The other live process holding `documentPath`, if any.
    static bool otherHolder(const QString &documentPath, Holder &holder);
    static QString lockPathFor(const QString &documentPath);

private:
    std::unique_ptr<QLockFile> lock_;
    QString path_;
};

// "X is open with unsaved changes in another Priomat (process N on host)."
QString HeldElsewhereMessage(const QString &path, const EditLock::Holder &holder, bool japanese);

} // namespace priomat
