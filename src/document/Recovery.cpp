#include "document/Recovery.h"

#include "document/DocumentFile.h"
#include "document/DocumentSession.h"
#include "document/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QUndoStack>
#include <QUuid>

#include <QSignalBlocker>

#include <cstdio>
#include <new>

namespace priomat {

namespace {

QList<DocumentRecovery *> &liveRecoveries()
{
    static QList<DocumentRecovery *> live;
    return live;
}

bool exitHookArmed = false;

std::unique_ptr<QLockFile> lockFor(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0); // stale only when its process is gone
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

} // namespace

DocumentRecovery::DocumentRecovery(DocumentSession &session, QObject *parent)
    : QObject(parent), session_(session), id_(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    quiet_.setSingleShot(true);
    quiet_.setInterval(QuietMs);
    longest_.setSingleShot(true);
    longest_.setInterval(LongestWaitMs);
    connect(&quiet_, &QTimer::timeout, this, &DocumentRecovery::writeNow);
    connect(&longest_, &QTimer::timeout, this, &DocumentRecovery::writeNow);
    connect(session_.undoStack(), &QUndoStack::indexChanged, this, &DocumentRecovery::edited);
    connect(&session_, &DocumentSession::modifiedChanged, this, [this](bool modified) {
        if (modified) {
            edited();
        } else {
            // Saved, or back where the file is: nothing to recover.
            quiet_.stop();
            longest_.stop();
            removeOwnCopy();
        }
    });
    liveRecoveries().append(this);
}

DocumentRecovery::~DocumentRecovery()
{
    liveRecoveries().removeAll(this);
    if (!kept_)
        removeOwnCopy();
}

QString DocumentRecovery::folder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // Only an absolute path counts, as the base directory rules say.
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/priomat");
}

QString DocumentRecovery::pathOf(const QString &id, const char *suffix)
{
    return folder() + u'/' + id + QLatin1String(suffix);
}

QString DocumentRecovery::copyPath() const
{
    return pathOf(id_, ".ahp");
}

void DocumentRecovery::edited()
{
    if (!session_.isModified())
        return;
    quiet_.start();
    if (!longest_.isActive())
        longest_.start();
}

bool DocumentRecovery::writeNow()
{
    quiet_.stop();
    longest_.stop();
    if (!session_.isModified())
        return false;
    lastError_.clear();
    try {
        const QString dir = folder();
        if (!QFileInfo(dir).isDir()) {
            if (!QDir().mkpath(dir))
                throw FileError(QStringLiteral("Cannot create folder \"%1\".").arg(dir));
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        if (!ownLock_) {
            ownLock_ = lockFor(pathOf(id_, ".lock"));
            if (!ownLock_)
                throw FileError(QStringLiteral("Cannot lock file \"%1\".").arg(pathOf(id_, ".lock")));
        }
        const QString original = session_.fileName().isEmpty()
                                     ? QString()
                                     : QFileInfo(session_.fileName()).absoluteFilePath();
        if (!pathWritten_ || original != writtenOriginal_) {
            WriteFileAtomically(pathOf(id_, ".path"), original.toUtf8() + '\n');
            writtenOriginal_ = original;
            pathWritten_ = true;
        }
        WriteFileAtomically(copyPath(), DataFileBytes(session_.document(), session_.encoding()));
    } catch (const FileError &error) {
        lastError_ = error.message();
    } catch (const std::bad_alloc &) {
        lastError_ = QStringLiteral("Out of memory.");
    }
    if (!lastError_.isEmpty()) {
        // Said once until a write succeeds again.
        if (!failing_)
            emit writeFailed(lastError_);
        failing_ = true;
        return false;
    }
    failing_ = false;
    return true;
}

void DocumentRecovery::keepForNextStart()
{
    // The program is ending: no box may hold it up, a failure goes to standard error.
    const QSignalBlocker quiet(this);
    failing_ = false;
    if (writeNow())
        kept_ = true;
    else if (failing_)
        std::fprintf(stderr, "priomat: %s\n", lastError_.toLocal8Bit().constData());
}

void DocumentRecovery::removeOwnCopy()
{
    QFile::remove(copyPath());
    QFile::remove(pathOf(id_, ".path"));
    pathWritten_ = false;
    if (ownLock_) {
        ownLock_->unlock(); // removes the lock file
        ownLock_.reset();
    }
}

QList<RecoveryCopy> DocumentRecovery::leftCopies()
{
    QList<RecoveryCopy> copies;
    const QDir dir(folder());
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.ahp")}, QDir::Files, QDir::Time);
    for (const QFileInfo &file : files) {
        RecoveryCopy copy;
        copy.id = file.completeBaseName();
        if (copy.id == id_ || offered_.count(copy.id))
            continue;
        // A run that still holds its lock is alive: its copy is its own.
        auto lock = lockFor(pathOf(copy.id, ".lock"));
        if (!lock)
            continue;
        QFile pathFile(pathOf(copy.id, ".path"));
        if (pathFile.open(QIODevice::ReadOnly))
            copy.originalPath = QString::fromUtf8(pathFile.readAll()).trimmed();
        copy.copyPath = file.absoluteFilePath();
        copy.written = file.lastModified();
        const QFileInfo original(copy.originalPath);
        // A document saved after the copy was written has everything the copy has, or more.
        if (!copy.originalPath.isEmpty() && original.exists() && original.lastModified() >= copy.written)
            continue;
        offered_[copy.id] = std::move(lock);
        copies.append(copy);
    }
    return copies;
}

bool DocumentRecovery::openCopy(const RecoveryCopy &copy)
{
    if (!session_.openRecovered(copy.copyPath, copy.originalPath))
        return false;
    // The copy becomes this run's: later edits rewrite it and a save removes it.
    removeOwnCopy();
    id_ = copy.id;
    const auto held = offered_.find(copy.id);
    if (held != offered_.end()) {
        ownLock_ = std::move(held->second);
        offered_.erase(held);
    }
    writtenOriginal_ = copy.originalPath;
    pathWritten_ = true;
    writeNow(); // written by this run from now on
    return true;
}

void DocumentRecovery::keepCopy(const RecoveryCopy &copy)
{
    offered_.erase(copy.id); // the lock goes with it
}

void DocumentRecovery::discardCopy(const RecoveryCopy &copy)
{
    QFile::remove(pathOf(copy.id, ".ahp"));
    QFile::remove(pathOf(copy.id, ".path"));
    offered_.erase(copy.id);
}

void DocumentRecovery::writeCopiesAtExit()
{
    if (!exitHookArmed)
        return;
    exitHookArmed = false;
    for (DocumentRecovery *recovery : liveRecoveries())
        recovery->keepForNextStart();
}

void DocumentRecovery::setExitHookArmed(bool armed)
{
    exitHookArmed = armed;
}

} // namespace priomat
