// Which command lines stop the program before any window exists.
#include "ScopedGlobal.h"
#include "app/Appli.h"
#include "FakePlatform.h"
#include "app/SettingsStore.h"
#include "setup/UninstallSwitches.h"

#include <QTest>

using namespace priomat;
using namespace priomat::test;

class TestSwitches : public QObject
{
    Q_OBJECT

private slots:
    void decision_data();
    void decision();
};

void TestSwitches::decision_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<bool>("asks");

    const QString program = "/opt/priomat/priomat";
    // Paths that cannot exist: a ghost with "/delete" really removes files.
    const QString ghost = "/nonexistent-priomat-test/GhostPriomat2";
    QTest::newRow("no switch") << program << QStringList() << false << false;
    QTest::newRow("uninstall") << program << QStringList{"/UNINSTALL"} << true << true;
    QTest::newRow("uninstall, lower case") << program << QStringList{"/uninstall"} << true << true;
    QTest::newRow("uninstall, mixed case, after a document")
        << program << QStringList{"plan.ahp", "/UnInstall"} << true << true;
    QTest::newRow("delete ignored")
        << program << QStringList{"/delete", "/opt/priomat/priomat"} << false << false;
    QTest::newRow("first switch decides: delete")
        << program << QStringList{"/DELETE", "/UNINSTALL"} << false << false;
    QTest::newRow("first switch decides: uninstall")
        << program << QStringList{"/Uninstall", "/Delete"} << true << true;
    QTest::newRow("not a whole switch")
        << program << QStringList{"/UNINSTALLNOW", "UNINSTALL", "-uninstall"} << false << false;
    QTest::newRow("program path is no switch") << "/UNINSTALL" << QStringList() << false << false;
    QTest::newRow("ghost, no switch") << "/tmp/gHoStpriomat" << QStringList() << true << false;
    QTest::newRow("ghost, uninstall") << ghost << QStringList{"/uninstall"} << true << false;
    QTest::newRow("ghost, delete")
        << ghost << QStringList{"/delete", "/nonexistent-priomat-test/priomat"} << true << false;
    QTest::newRow("ghost only as a prefix")
        << "/opt/MyGhostPriomat" << QStringList() << false << false;
    QTest::newRow("ghost folder is not a ghost")
        << "/tmp/Ghost/priomat" << QStringList() << false << false;
    QTest::newRow("too short for a ghost") << "/opt/Ghos" << QStringList() << false << false;
}

void TestSwitches::decision()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, stop);
    QFETCH(bool, asks);

    FakePlatform platform;
    platform.system.program = program;
    platform.system.arguments = QStringList{program} + arguments;
    platform.messageBox.answers = {platform::IDNO};
    TAppli appli(platform.system);
    appli.SetProductIdentity();
    const ScopedGlobal<TAppli> current(Appli, &appli);
    const QString uninstallKey =
        "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Priomat";
    WriteRegistryValue(uninstallKey, "DisplayName", "Priomat");
    const QByteArray registryBefore = platform.registry.toJson();

    QCOMPARE(HandleUninstallSwitches(), stop);
    // Only "/UNINSTALL" in the program itself asks, and No changes nothing.
    QCOMPARE(platform.registry.toJson(), registryBefore);
    QCOMPARE(platform.messageBox.shown.size(), asks ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestSwitches)
#include "tst_switches.moc"
