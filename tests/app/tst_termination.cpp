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

using namespace priomat;
using namespace priomat::test;

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
        return variables;
    }

    // Starts the program on `document`, waits until it answered the recovery offer with Open,
    // then ends it by SIGTERM. Returns its standard error.
    QByteArray openOfferedAndTerminate(const QString &document, int &exitCode)
    {
        QProcess program;
        program.setProcessEnvironment(programEnvironment(QStringLiteral("0")));
        program.start(QStringLiteral(PRIOMAT_PROGRAM), {document, QStringLiteral("/ENGLISH")});
        QByteArray error;
        while (!error.contains("box answered 0") && program.waitForReadyRead(20000))
            error += program.readAllStandardError();
        // The copy it adopted goes: whatever is there after the signal, the signal wrote.
        for (const QString &name : QDir(DocumentRecovery::folder()).entryList({QStringLiteral("*.ahp")}))
            QFile::remove(DocumentRecovery::folder() + u'/' + name);
        ::kill(pid_t(program.processId()), SIGTERM);
        program.waitForFinished(10000);
        error += program.readAllStandardError();
        exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
        return error;
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
            const QByteArray error = openOfferedAndTerminate(document, exitCode);
            QVERIFY2(error.contains("left a recovery copy of " + document.toUtf8()), error.constData());
            QCOMPARE(exitCode, 128 + SIGTERM);
            const QStringList copies = QDir(DocumentRecovery::folder()).entryList({QStringLiteral("*.ahp")});
            QCOMPARE(copies.size(), 1);
            QCOMPARE(readBytes(DocumentRecovery::folder() + u'/' + copies.first()), unsaved);
        }
        QCOMPARE(readBytes(document), saved);
    }
};

QTEST_GUILESS_MAIN(TestTermination)
#include "tst_termination.moc"
