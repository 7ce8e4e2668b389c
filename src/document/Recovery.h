// Recovery copies: while the document has unsaved changes, the data file as a save would write
// it is kept in the user's state folder ($XDG_STATE_HOME/priomat/), with the path it belongs
// to, so that a run ended by a signal, a lost display or a crash loses nothing. The next start
// offers the copies that runs which have ended left behind.
#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <map>
#include <memory>

class QLockFile;

namespace priomat {

class DocumentSession;

struct RecoveryCopy
{
    QString id;
    QString copyPath;     // <folder>/<id>.ahp
    QString originalPath; // empty for a document that never had a name
    QDateTime written;
};

class DocumentRecovery : public QObject
{
    Q_OBJECT

public:
    // The copy is written once the edits rest this long, and at least this often while they go on.
    static constexpr int QuietMs = 2000;
    static constexpr int LongestWaitMs = 30000;

    explicit DocumentRecovery(DocumentSession &session, QObject *parent = nullptr);
    // A copy that is not kept for the next start goes with this object.
    ~DocumentRecovery() override;

    // $XDG_STATE_HOME/priomat, or ~/.local/state/priomat when that is not set.
    static QString folder();
    // This run's copy; it exists only while the document has unsaved changes.
    QString copyPath() const;

    // Writes the copy now when the document has unsaved changes. False when there was nothing to
    // write or the write failed (writeFailed tells why).
    bool writeNow();
    // Writes the copy now and leaves it for the next start: the program is about to end.
    void keepForNextStart();

    // The copies left by runs that have ended, newest first, each newer than its document. Each is
    // held for this run until it is opened, kept or discarded.
    QList<RecoveryCopy> leftCopies();
    // Opens a copy as an unsaved document with its original name; it becomes this run's copy.
    bool openCopy(const RecoveryCopy &copy);
    // Leaves a copy for a later start.
    void keepCopy(const RecoveryCopy &copy);
    void discardCopy(const RecoveryCopy &copy);

    // For std::atexit: a run ended by exit() inside the event loop (Qt does so when the display
    // connection breaks) writes every live copy and keeps it. Main disarms it once the loop is over.
    static void writeCopiesAtExit();
    static void setExitHookArmed(bool armed);

signals:
    void writeFailed(const QString &message);

private:
    void edited();
    void removeOwnCopy();
    static QString pathOf(const QString &id, const char *suffix);

    DocumentSession &session_;
    QString id_;
    std::unique_ptr<QLockFile> ownLock_;
    bool kept_ = false;
    bool failing_ = false;
    QString lastError_;
    QString writtenOriginal_; // the original path last written beside the copy
    bool pathWritten_ = false;
    QTimer quiet_;
    QTimer longest_;
    std::map<QString, std::unique_ptr<QLockFile>> offered_;
};

} // namespace priomat
