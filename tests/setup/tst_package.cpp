// A program installed by the package manager: found in dpkg's file lists, and told how to go.
#include "platform/MessageBox.h"
#include "setup/PackageInstall.h"
#include "TestEnvironment.h"
#include "TestFiles.h"

#include <QTest>

using namespace priomat;
using namespace priomat::test;

class TestPackage : public QObject
{
    Q_OBJECT

private slots:
    void owningPackage();
    void messageTellsTheCommand();
};

void TestPackage::owningPackage()
{
    TestEnvironment environment;
    const QString info = environment.path("info");
    QDir().mkpath(info);
    QCOMPARE(OwningPackage("/usr/bin/priomat", info), QString());

    // Another package's list is not read; a path that only begins like the program's is no match.
    writeBytes(info + "/other.list", "/.\n/usr\n/usr/bin\n/usr/bin/priomat\n");
    writeBytes(info + "/priomat.list", "/.\n/usr\n/usr/bin\n/usr/bin/priomat-cli\n/usr/bin/priomat.old\n");
    QCOMPARE(OwningPackage("/usr/bin/priomat", info), QString());
    QCOMPARE(OwningPackage("/usr/bin/priomat-cli", info), "priomat");
    QCOMPARE(OwningPackage(QString(), info), QString());

    writeBytes(info + "/priomat:amd64.list", "/usr/bin\n/usr/bin/priomat\n");
    QCOMPARE(OwningPackage("/usr/bin/priomat", info), "priomat");
    QCOMPARE(OwningPackage("/usr/local/bin/priomat", info), QString());
}

void TestPackage::messageTellsTheCommand()
{
    for (const bool japanese : {false, true}) {
        const UninstallMessage message = PackageManagerMessage("Priomat", "priomat", japanese);
        QVERIFY(message.text.startsWith("Priomat "));
        QVERIFY(message.text.endsWith("\r\n\r\nsudo apt remove priomat"));
        QCOMPARE(message.flags, platform::MB_OK | platform::MB_ICONINFORMATION);
        QCOMPARE(message.caption, japanese ? QString("アンインストール") : QString("Uninstall"));
        QCOMPARE(message.text.contains("パッケージマネージャー"), japanese);
        QCOMPARE(message.text.contains("package manager"), !japanese);
    }
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
