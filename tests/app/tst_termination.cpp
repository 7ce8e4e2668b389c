// The real program ended by SIGTERM with unsaved changes leaves a recovery copy, and the next
// start offers it and opens it as it was.
#include "document/DocumentFile.h"
#include "document/DocumentSession.h"
#include "document/Recovery.h"
#include "TestEnvironment.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

using namespace priomat;
using namespace priomat::test;

namespace {

quint64 inodeOf(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? quint64(info.st_ino) : 0;
}

} // namespace

class TestTermination : public QObject
{
    Q_OBJECT

private:
    TestEnvironment environment;

    QProcessEnvironment programEnvironment(const QString &answers) const
    {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        variables.insert(QStringLiteral("PRIOMAT_TEST_ANSWERS"), answers);
        // A program ended by a signal leaves the font library's caches behind, which the leak
        // checker of a sanitizer build would count against it.
        if (variables.contains(QStringLiteral("ASAN_OPTIONS")))
            variables.insert(QStringLiteral("ASAN_OPTIONS"),
                             variables.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
        return variables;
    }

    // Starts the program on `document`, waits until it answered the recovery offer with Open,
    // then ends it by SIGTERM; `error` receives its output.
    void openOfferedAndTerminate(const QString &document, int &exitCode, QByteArray &error)
    {
        QProcess program;
        program.setProcessEnvironment(programEnvironment(QStringLiteral("0")));
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(PRIOMAT_PROGRAM), {document, QStringLiteral("/ENGLISH")});
        while (!error.contains("box answered 0") && program.waitForReadyRead(20000))
            error += program.readAll();
        // Once the program has opened the copy it rewrites it as its own; then the copy goes, and
        // whatever is there after the signal, the signal wrote.
        const QString copy = DocumentRecovery::folder() + u'/'
                             + QDir(DocumentRecovery::folder()).entryList({QStringLiteral("*.ahp")}).value(0);
        const quint64 inode = inodeOf(copy);
        QTRY_VERIFY_WITH_TIMEOUT(inodeOf(copy) != inode, 20000);
        QFile::remove(copy);
        ::kill(pid_t(program.processId()), SIGTERM);
        program.waitForFinished(10000);
        error += program.readAll();
        exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

private slots:
    void signalLeavesCopyThatNextStartOffers()
    {
        qputenv("XDG_STATE_HOME", environment.path("state").toUtf8());
        qputenv("XDG_RUNTIME_DIR", environment.path("").toUtf8());
        const QString document = environment.path("doc.ahp");
        QByteArray unsaved;
        {
            // A run that ended with an unsaved child left its copy.
            DocumentSession session;
            session.addChild();
            QVERIFY(session.save(document));
            QTest::qWait(20); // the copy is newer than the document
            DocumentRecovery recovery(session);
            session.addChild();
            session.renameCurrent(QStringLiteral("保存前"));
            recovery.keepForNextStart();
            unsaved = DataFileBytes(session.document(), session.encoding());
        }
        const QByteArray saved = readBytes(document);

        for (int start = 0; start < 2; ++start) {
            int exitCode = 0;
            QByteArray error;
            openOfferedAndTerminate(document, exitCode, error);
            if (QTest::currentTestFailed())
                return;
            QVERIFY2(error.contains("left a recovery copy of " + document.toUtf8()), error.constData());
            QVERIFY2(exitCode == 128 + SIGTERM, error.constData());
            const QStringList copies = QDir(DocumentRecovery::folder()).entryList({QStringLiteral("*.ahp")});
            QCOMPARE(copies.size(), 1);
            QCOMPARE(readBytes(DocumentRecovery::folder() + u'/' + copies.first()), unsaved);
        }
        QCOMPARE(readBytes(document), saved);
    }
};

QTEST_GUILESS_MAIN(TestTermination)
#include "tst_termination.moc"
