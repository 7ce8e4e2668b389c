// Where the file dialogs start.
#include "app/DialogFolder.h"
#include "app/SettingsStore.h"
#include "TestEnvironment.h"
#include "TestFiles.h"

#include <QTest>

using namespace priomat;
using namespace priomat::test;

class TestDialogFolder : public QObject
{
    Q_OBJECT

private slots:
    void firstExistingFolderInOrder();
    void rememberedFolderComesFromTheSettings();
};

void TestDialogFolder::firstExistingFolderInOrder()
{
    TestEnvironment environment;
    QDir(environment.path("")).mkpath("docs");
    QDir(environment.path("")).mkpath("last");
    QDir(environment.path("")).mkpath("work");
    const QString home = environment.home();
    const QString docs = environment.path("docs");
    const QString last = environment.path("last");
    // The open document's folder first, even before the file exists there.
    QCOMPARE(FileDialogStartFolder(environment.path("work/plan.ahp"), last, docs, home), environment.path("work/"));
    // Then the last folder used, the documents folder, the home folder.
    QCOMPARE(FileDialogStartFolder(QString(), last + '/', docs, home), last + '/');
    QCOMPARE(FileDialogStartFolder(QString(), QString(), docs, home), docs + '/');
    QCOMPARE(FileDialogStartFolder(QString(), QString(), QString(), home), home + '/');
    // Folders that are gone, and a file where a folder was, are passed over.
    writeBytes(environment.path("file"), "");
    QCOMPARE(FileDialogStartFolder(environment.path("gone/plan.ahp"), environment.path("file"),
                                   environment.path("gone"), home),
             home + '/');
    QCOMPARE(FileDialogStartFolder(QString(), QString(), QString(), QString()), QString());
}

void TestDialogFolder::rememberedFolderComesFromTheSettings()
{
    TestEnvironment environment;
    SettingsStore store(environment.path("priomat.ini"));
    SetSettingsStore(&store);
    QDir(environment.home()).mkpath("Documents");
    const QString programFolder = environment.path("");
    // Nothing remembered yet: the documents folder, never the program's own folder.
    QVERIFY(LastDialogFolder().isEmpty());
    const QString first = DialogStartFolder(QString());
    QVERIFY2(first.startsWith(environment.home() + '/'), qPrintable(first));
    QVERIFY(first != programFolder);
    // A file chosen in a dialog makes its folder the start of the next one, also after a restart.
    QDir(environment.path("")).mkpath("chosen");
    RememberDialogFolder(environment.path("chosen/result.txt"));
    QCOMPARE(DialogStartFolder(QString()), environment.path("chosen/"));
    QCOMPARE(DialogStartFolder(environment.path("other/plan.ahp")), environment.path("chosen/")); // no such folder
    store.SaveSettings();
    SettingsStore again(environment.path("priomat.ini"));
    SetSettingsStore(&again);
    QCOMPARE(LastDialogFolder(), environment.path("chosen"));
    SetSettingsStore(nullptr);
}

QTEST_GUILESS_MAIN(TestDialogFolder)
#include "tst_dialogfolder.moc"
