// The session and its file on disk: a save never writes silently over a file someone else
// changed, and the recovery copy holds what a save would write.
#include "document/DocumentFile.h"
#include "document/DocumentSession.h"
#include "document/Recovery.h"
#include "RecordingHost.h"
#include "TestEnvironment.h"
#include "TestFiles.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace priomat;
using namespace priomat::test;
using Choice = OverwriteChoice;

class TestDiskChanges : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        environment = std::make_unique<TestEnvironment>();
        qputenv("XDG_STATE_HOME", environment->path("state").toUtf8());
        qputenv("XDG_RUNTIME_DIR", environment->path("").toUtf8());
        path = environment->path("doc.ahp");
        DocumentSession first;
        first.addChild();
        QVERIFY(first.save(path));
    }

    void saveAfterOutsideChangeAsks()
    {
        RecordingHost host;
        DocumentSession session;
        session.setHost(&host);
        QVERIFY(session.open(path));
        session.addChild();
        const QByteArray outside = readBytes(path).replace("\r\n", "\r\n\r\n");
        writeBytes(path, outside); // as sed -i or a sync client would

        host.overwriteAnswers = {Choice::Cancel, Choice::SaveAs};
        QVERIFY(!session.save(path));
        QVERIFY(!session.save(path));
        QCOMPARE(session.lastOverwriteChoice(), Choice::SaveAs);
        QCOMPARE(readBytes(path), outside);
        QVERIFY(session.isModified());

        host.overwriteAnswers = {Choice::Overwrite};
        QVERIFY(session.save(path));
        QCOMPARE(readBytes(path), DataFileBytes(session.document(), session.encoding()));
        QVERIFY(session.save(path)); // its own write is no outside change
        QCOMPARE(host.overwriteQuestions.size(), 3);
        QCOMPARE(host.overwriteQuestions.first(), OverwriteReason::ChangedOnDisk);
    }

    void sameBytesRewrittenIsNoChange()
    {
        RecordingHost host;
        DocumentSession session;
        session.setHost(&host);
        QVERIFY(session.open(path));
        const QByteArray bytes = readBytes(path);
        QFile::remove(path);
        writeBytes(path, bytes); // another inode and time, the same content
        session.addChild();
        QVERIFY(session.save(path));
        QVERIFY(host.overwriteQuestions.isEmpty());
    }

    void secondWindowKeepsTheFirstOnesEntry()
    {
        RecordingHost host;
        DocumentSession first;
        DocumentSession second;
        second.setHost(&host);
        QVERIFY(first.open(path));
        QVERIFY(second.open(path));
        first.addChild();
        QVERIFY(first.save(path));
        const QByteArray firstSaved = readBytes(path);
        QSignalSpy announced(&second, &DocumentSession::changedOnDisk);
        second.checkDisk();
        second.checkDisk();
        QCOMPARE(announced.size(), 1);

        second.deleteNode();
        host.overwriteAnswers = {Choice::Cancel};
        QVERIFY(!second.save(path));
        QCOMPARE(readBytes(path), firstSaved);
        host.overwriteAnswers = {Choice::Reload};
        QVERIFY(!second.save(path));
        QVERIFY(!second.isModified());
        QCOMPARE(DataFileBytes(second.document(), second.encoding()), firstSaved);
    }

    void recoveryCopyIsWhatASaveWrites()
    {
        QString copyPath;
        QByteArray expected;
        {
            DocumentSession session;
            DocumentRecovery recovery(session);
            QVERIFY(session.open(path));
            session.addChild();
            session.renameCurrent(QStringLiteral("回復"));
            recovery.keepForNextStart();
            copyPath = recovery.copyPath();
            expected = DataFileBytes(session.document(), session.encoding());
            QCOMPARE(readBytes(copyPath), expected);
        }
        QVERIFY(QFile::exists(copyPath)); // kept when the run ends

        DocumentSession next;
        DocumentRecovery recovery(next);
        const QList<RecoveryCopy> copies = recovery.leftCopies();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(copies.first().originalPath, path);
        QVERIFY(recovery.openCopy(copies.first()));
        QVERIFY(next.isModified());
        QCOMPARE(next.fileName(), path);
        QCOMPARE(DataFileBytes(next.document(), next.encoding()), expected);
        QVERIFY(next.save(path));
        QVERIFY(!QFile::exists(copyPath)); // a clean save removes it
        QCOMPARE(readBytes(path), expected);
    }

private:
    std::unique_ptr<TestEnvironment> environment;
    QString path;
};

QTEST_GUILESS_MAIN(TestDiskChanges)
#include "tst_diskchanges.moc"
