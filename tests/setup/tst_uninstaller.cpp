// The uninstaller from the confirmation to the ghost's last file, on temporary folders.
#include "app/Appli.h"
#include "setup/DesktopAssociation.h"
#include "FakePlatform.h"
#include "setup/FileTypeRegistration.h"
#include "app/SettingsStore.h"
#include "TestEnvironment.h"
#include "SmallTmpfs.h"
#include "TestFiles.h"
#include "setup/UninstallSwitches.h"
#include "setup/Uninstaller.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <memory>

#include <sys/mount.h>
#include <unistd.h>

using namespace priomat;
using namespace priomat::test;
using platform::RegistryRoot;

namespace {

const QString UninstallEntry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Priomat";
const QString OwnKey = "Software\\Quorrel Lab\\Priomat";
const QString Entry = "home/.local/share/applications/priomat.desktop";
const QString Package = "home/.local/share/mime/packages/priomat.xml";
const QString MimeApps = "home/.config/mimeapps.list";
const QByteArray ProgramBytes = "#!/bin/sh\nexit 0\n";

struct RecordingStarter : ProcessStarter
{
    RecordingStarter() { setProcessStarter(this); }
    ~RecordingStarter() override { setProcessStarter(nullptr); }
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        started.append(QStringList{program} + arguments);
        return result;
    }
    QList<QStringList> started;
    bool result = true;
};

struct RecordingRunner : desktop::HelperRunner
{
    RecordingRunner() { desktop::setHelperRunner(this); }
    ~RecordingRunner() override { desktop::setHelperRunner(nullptr); }
    QString find(const QString &program) const override { return "/usr/bin/" + program; }
    void run(const QString &path, const QStringList &arguments) override
    {
        calls.append(QFileInfo(path).fileName() + ' ' + arguments.join(' '));
    }
    QStringList calls;
};

// One machine; the system's temporary folder, where the ghost goes, lies inside it too.
struct Machine
{
    Machine() : hadTmpDir(qEnvironmentVariableIsSet("TMPDIR")), previousTmpDir(qgetenv("TMPDIR"))
    {
        QDir().mkpath(path("tmp"));
        qputenv("TMPDIR", path("tmp").toUtf8());
    }
    ~Machine()
    {
        Appli = nullptr;
        if (hadTmpDir)
            qputenv("TMPDIR", previousTmpDir);
        else
            qunsetenv("TMPDIR");
    }

    QString path(const QString &relative) const { return environment.path(relative); }
    bool exists(const QString &relative) const { return QFileInfo::exists(path(relative)); }
    QByteArray read(const QString &relative) const { return readBytes(path(relative)); }
    void write(const QString &relative, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        writeBytes(path(relative), bytes);
    }

    bool run(const QString &program, const QStringList &arguments = {})
    {
        platform.system.program = program;
        platform.system.arguments = QStringList{program} + arguments;
        appli = std::make_unique<TAppli>(platform.system);
        appli->SetProductIdentity();
        Appli = appli.get();
        return HandleUninstallSwitches();
    }
    // The program file in `folder`, started once: identity value, uninstall entry, association.
    void install(const QString &folder = "opt/priomat")
    {
        exe = path(folder) + "/priomat";
        write(folder + "/priomat", ProgramBytes);
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
        QVERIFY(!run(exe));
        WriteRegistryValue(QString(), "Title", "Priomat");
        RegisterUninstallEntry();
        RegisterFileType();
        runner.calls.clear();
    }
    // The run from the list of installed programs, answered Yes.
    void uninstall()
    {
        platform.messageBox.answers = {platform::IDYES};
        QVERIFY(run(exe, {"/UNINSTALL"}));
        QCOMPARE(starter.started.size(), 1);
    }
    // The ghost's run, with the command line the first run gave it.
    void runGhost()
    {
        QVERIFY(!starter.started.isEmpty());
        QVERIFY(run(starter.started.last().first(), starter.started.last().mid(1)));
    }

    TestEnvironment environment;
    FakePlatform platform;
    RecordingRunner runner;
    RecordingStarter starter;
    std::unique_ptr<TAppli> appli;
    QString exe;
    bool hadTmpDir;
    QByteArray previousTmpDir;
};

} // namespace

class TestUninstaller : public QObject
{
    Q_OBJECT

private slots:
    void runsThatRemoveNothing_data();
    void runsThatRemoveNothing();
    void confirmationNoChangesNothing_data();
    void confirmationNoChangesNothing();
    void uninstallRemovesOnlyWhatIsListed();
    void secondGhostName();
    void failedStartLeavesNoGhost();
    void noexecTemporaryFolder();
    void dottedProgramName();
    void listedPathsStayInsideTheInstallation();
    void withoutRightsNothingChanges();
    void registryStoreGoesWithTheLastInstallation();
    void reportMessages();
    void onlyGhostRemovesItself();
    void associationOfAnotherCopyStays();
    void withoutDefaultApplication_data();
    void withoutDefaultApplication();
    void wininit_data();
    void wininit();
    void restartOffer();
};

void TestUninstaller::runsThatRemoveNothing_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments"); // "%E" stands for the installed program file
    QTest::addColumn<bool>("stop");
    QTest::newRow("program, delete")
        << "opt/priomat/priomat" << QStringList{"/DELETE", "%E"} << false;
    QTest::newRow("ghost, no switch") << "tmp/GHOSTpriomat" << QStringList{"%E"} << true;
    QTest::newRow("ghost, uninstall")
        << "tmp/GHOSTpriomat" << QStringList{"/uninstall", "%E"} << true;
    // A folder is no program file, and the switch itself is never taken for one.
    QTest::newRow("ghost, delete without a program file")
        << "tmp/GHOSTpriomat" << QStringList{"/delete", "opt/missing", "opt/priomat"} << true;
}

void TestUninstaller::runsThatRemoveNothing()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, stop);
    Machine machine;
    machine.install();
    machine.write("opt/priomat/UNINST.DAT", "[FILE]\r\npriomat.ini\r\n");
    machine.write("opt/priomat/priomat.ini", "[Options]\r\n");
    machine.write("tmp/GHOSTpriomat", ProgramBytes);
    const QByteArray registry = machine.platform.registry.toJson();
    for (QString &argument : arguments)
        argument = argument == "%E"           ? machine.exe
                   : argument.startsWith('/') ? argument
                                              : machine.path(argument);

    QCOMPARE(machine.run(machine.path(program), arguments), stop);
    QCOMPARE(machine.platform.messageBox.shown.size(), 0);
    QCOMPARE(machine.platform.registry.toJson(), registry);
    for (const QString &file : QStringList{"opt/priomat/priomat", "opt/priomat/UNINST.DAT",
                                           "opt/priomat/priomat.ini", Entry})
        QVERIFY2(machine.exists(file), qPrintable(file));
    QVERIFY(machine.starter.started.isEmpty());
    QVERIFY(machine.runner.calls.isEmpty());
    // Only a ghost that was set to work removes its own file.
    QCOMPARE(machine.exists("tmp/GHOSTpriomat"), !arguments.contains("/delete"));
}

void TestUninstaller::confirmationNoChangesNothing_data()
{
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<QString>("uninstall");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::newRow("English") << false << "/uninstall"
                             << "Do you really want to uninstall \"Priomat\" ?"
                             << "Uninstall";
    QTest::newRow("Japanese") << true << "/UnInstall"
                              << "Priomat を\r\nアンインストール（アプリケーションの削除）"
                                 "しようとしています。\r\nこのままアンインストールしますか？"
                              << "アプリケーションの削除";
}

void TestUninstaller::confirmationNoChangesNothing()
{
    QFETCH(bool, japanese);
    QFETCH(QString, uninstall);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    Machine machine;
    machine.platform.system.japanese = japanese;
    machine.install();
    const QByteArray registry = machine.platform.registry.toJson();

    machine.platform.messageBox.answers = {platform::IDNO};
    QVERIFY(machine.run(machine.exe, {uninstall}));
    QCOMPARE(machine.platform.messageBox.shown.size(), 1);
    const FakeMessageBox::Shown shown = machine.platform.messageBox.shown.first();
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.caption, caption);
    QCOMPARE(shown.flags, 0x134u); // Yes and No, warning icon, No as the default button

    QCOMPARE(machine.platform.registry.toJson(), registry);
    QVERIFY(!machine.exists("opt/priomat/UNINST.DAT"));
    QCOMPARE(QDir(machine.path("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
    QVERIFY(machine.starter.started.isEmpty());
}

void TestUninstaller::uninstallRemovesOnlyWhatIsListed()
{
    Machine machine;
    const QByteArray otherAssociations = "[Default Applications]\ntext/html=firefox.desktop\n\n"
                                         "[Added Associations]\nimage/png=gimp.desktop;\n";
    machine.write(MimeApps, otherAssociations);
    machine.install();
    const QString folder = machine.path("opt/priomat/");
    // An empty home folder must survive too.
    QDir().mkpath(machine.path("bare"));
    qputenv("HOME", machine.path("bare").toUtf8());
    const QStringList files{"opt/priomat/priomat.ini",
                            "opt/priomat/priomat.html",
                            "opt/priomat/priomat.txt",
                            "opt/priomat/plugin.so",
                            "opt/priomat/samples/deep/sample.ahp",
                            "opt/outside.txt",
                            "opt/priomat/a line without a separator",
                            "opt/priomat/sub/x",
                            "shared/listed.txt",
                            "shared/keep.txt",
                            "shared/more/mine.txt",
                            "keep/before.txt",
                            "keep/notes.txt",
                            "bare/notes.txt"};
    for (const QString &file : files)
        machine.write(file, "x");
    machine.write("opt/priomat/priomat.sum", "priomat.html ; manual\r\n"
                                             "  priomat.txt;readme;1.0\r\n"
                                             "missing.dat; not installed after all\r\n"
                                             "a line without a separator\r\n"
                                             "../outside.txt; never outside the program folder\r\n"
                                             "sub; a folder is no file\r\n");
    const QByteArray installed =
        (machine.path("keep/before.txt") +
         "\r\n[REGISTRY]\r\n"
         "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorrel Lab\\Priomat Setup\r\n"
         "\\hkey_current_user\\Software\\Quorrel Lab\\Shared\\Priomat\r\n[File]\r\nplugin.so\r\n" +
         machine.path("shared/listed.txt") + "\r\n" + machine.path("shared/more") + "\r\n" +
         machine.path("bare/notes.txt") + "\r\n[Notes]\r\n" + machine.path("keep/notes.txt") +
         "\r\n\\HKEY_CURRENT_USER\\Software\\Quorrel Lab\\Shared\\Other\r\n[FILE]\r\n" + folder +
         "samples/deep/sample.ahp\r\n")
            .toUtf8();
    machine.write("opt/priomat/UNINST.DAT", installed);
    auto &registry = machine.platform.registry;
    registry.createKey(RegistryRoot::LocalMachine, "SOFTWARE\\Quorrel Lab\\Priomat Setup\\Parts");
    registry.createKey(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Shared\\Priomat");
    registry.createKey(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Shared\\Other");

    machine.uninstall();
    QCOMPARE(machine.read("opt/priomat/UNINST.DAT"),
             installed + "[FILE]\r\n" + (folder + "priomat.ini\r\n").toUtf8() +
                 (folder + "priomat.sum\r\n").toUtf8() + (folder + "priomat.html\r\n").toUtf8() +
                 (folder + "priomat.txt\r\n").toUtf8());
    QVERIFY(!registry.keyExists(RegistryRoot::LocalMachine, UninstallEntry));
    const QString ghost = machine.path("tmp/Ghostpriomat");
    QCOMPARE(machine.starter.started.first(), (QStringList{ghost, "/delete", machine.exe}));
    QCOMPARE(readBytes(ghost), ProgramBytes);
    QVERIFY(QFileInfo(ghost).isExecutable());
    QVERIFY(machine.exists("opt/priomat/priomat")); // the first run removes no file

    // With only listed files left, the program folder goes as a whole.
    for (const QString &decoy :
         QStringList{"opt/outside.txt", "opt/priomat/a line without a separator",
                     "opt/priomat/sub/x", "opt/priomat/sub"})
        QVERIFY(QDir().remove(machine.path(decoy)) || QDir().rmdir(machine.path(decoy)));
    machine.runGhost();

    // The program folder went with its last file, and so did "opt", now empty.
    QVERIFY(!machine.exists("opt"));
    // Listed files outside the installation's folders stay, and the report names them.
    for (const QString &file : QStringList{"shared/listed.txt", "bare/notes.txt", "shared/keep.txt",
                                           "shared/more/mine.txt", "keep/before.txt", "keep/notes.txt"})
        QVERIFY2(machine.exists(file), qPrintable(file));
    // On Linux the ghost deletes its own file and offers no restart; it reports instead.
    QVERIFY(!QFileInfo::exists(ghost));
    QCOMPARE(machine.platform.messageBox.shown.size(), 2);
    const QString report = machine.platform.messageBox.shown[1].text;
    QVERIFY2(report.startsWith("\"Priomat\" has not been uninstalled completely.\r\nRemoved: 8 file(s), 4 folder(s)."),
             qPrintable(report));
    QVERIFY(report.contains(machine.path("shared/listed.txt") + " (outside the installation)"));
    QVERIFY(report.contains(machine.path("bare/notes.txt") + " (outside the installation)"));

    QVERIFY(
        !registry.keyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Quorrel Lab\\Priomat Setup"));
    QVERIFY(
        !registry.keyExists(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Shared\\Priomat"));
    QVERIFY(!registry.keyExists(RegistryRoot::CurrentUser, OwnKey));
    QVERIFY(registry.keyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Quorrel Lab"));
    QVERIFY(registry.keyExists(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Shared\\Other"));
    QVERIFY(registry.keyExists(RegistryRoot::ClassesRoot, ".ahp")); // never listed

    // The desktop's files stand in for the uninstall entry and the association.
    QVERIFY(!machine.exists(Entry));
    QVERIFY(!machine.exists(Package));
    QCOMPARE(machine.read(MimeApps), otherAssociations);
    QCOMPARE(
        machine.runner.calls,
        (QStringList{"update-mime-database " + machine.path("home/.local/share/mime"),
                     "update-desktop-database " + machine.path("home/.local/share/applications")}));
}

void TestUninstaller::secondGhostName()
{
    Machine machine;
    machine.install();
    machine.write("tmp/Ghostpriomat", "left from an earlier uninstall");
    machine.uninstall();
    QCOMPARE(machine.starter.started.first().first(), machine.path("tmp/Ghostpriomat2"));
    QCOMPARE(machine.read("tmp/Ghostpriomat"), "left from an earlier uninstall");
    QCOMPARE(machine.read("tmp/Ghostpriomat2"), ProgramBytes);
    QCOMPARE(GhostProgramFile(machine.path("tmp/"), "priomat"), machine.path("tmp/Ghostpriomat3"));
}

void TestUninstaller::failedStartLeavesNoGhost()
{
    // A ghost that cannot start: the first process removes the installation itself and reports.
    Machine machine;
    machine.install();
    machine.write("opt/priomat/priomat.ini", "x");
    machine.starter.result = false;
    machine.uninstall();
    QVERIFY(!machine.exists("tmp/Ghostpriomat"));
    QVERIFY(!machine.exists("opt"));
    QVERIFY(!machine.exists(Entry));
    QVERIFY(!machine.platform.registry.keyExists(RegistryRoot::CurrentUser, OwnKey));
    QCOMPARE(machine.platform.messageBox.shown.size(), 2);
    QCOMPARE(machine.platform.messageBox.shown[1].text,
             "\"Priomat\" has been uninstalled.\r\nRemoved: 3 file(s), 2 folder(s).");
    QCOMPARE(machine.platform.messageBox.shown[1].flags, 0x40u);
}

void TestUninstaller::noexecTemporaryFolder()
{
    SmallTmpfs tmp(1024, MS_NOEXEC);
    if (!tmp.mounted())
        QSKIP(qPrintable(tmp.skipReason));
    Machine machine;
    machine.install();
    qputenv("TMPDIR", tmp.path().toUtf8());
    setProcessStarter(nullptr); // the real start, which the folder refuses
    machine.platform.messageBox.answers = {platform::IDYES};
    QVERIFY(machine.run(machine.exe, {"/UNINSTALL"}));
    QCOMPARE(tmp.entries(), QStringList());
    QVERIFY(!machine.exists("opt/priomat"));
    QCOMPARE(machine.platform.messageBox.shown.size(), 2);
    QVERIFY(machine.platform.messageBox.shown[1].text.startsWith("\"Priomat\" has been uninstalled."));
}

void TestUninstaller::dottedProgramName()
{
    Machine machine;
    machine.exe = machine.path("opt/priomat/priomat-2.3.4");
    machine.write("opt/priomat/priomat-2.3.4", ProgramBytes);
    QFile::setPermissions(machine.exe, QFile::permissions(machine.exe) | QFileDevice::ExeOwner);
    QVERIFY(!machine.run(machine.exe));
    RegisterUninstallEntry();
    RegisterFileType();
    QVERIFY(machine.read(Entry).contains(desktop::DesktopExecArgument(machine.exe).toUtf8()));
    QCOMPARE(ReadRegistryValue("\\HKEY_LOCAL_MACHINE\\" + UninstallEntry, "UninstallString", QString()),
             QVariant(machine.exe + " /UNINSTALL"));

    machine.uninstall();
    QCOMPARE(machine.starter.started.first(),
             (QStringList{machine.path("tmp/Ghostpriomat-2.3"), "/delete", machine.exe}));
    machine.runGhost();
    QVERIFY(!machine.exists("opt"));
    QVERIFY(!machine.exists(Entry));
    QVERIFY(!machine.exists("tmp/Ghostpriomat-2.3"));
    QCOMPARE(machine.platform.messageBox.shown.size(), 2);
    QVERIFY(machine.platform.messageBox.shown[1].text.startsWith("\"Priomat\" has been uninstalled."));
}

void TestUninstaller::listedPathsStayInsideTheInstallation()
{
    Machine machine;
    machine.install();
    for (const char *file : {"home/secret.txt", "home/Documents/notes.txt", "opt/priomat/docs-real/a.txt"})
        machine.write(file, "x");
    // A folder of the installation that is a link to the user's documents.
    QVERIFY(QFile::link(machine.path("home/Documents"), machine.path("opt/priomat/docs")));
    machine.write("opt/priomat/UNINST.DAT", "[FILE]\r\n../../home/secret.txt\r\ndocs/notes.txt\r\n"
                                            "docs-real/a.txt\r\n" + machine.path("opt/priomat/docs/../../../home/secret.txt").toUtf8()
                                            + "\r\n");
    machine.uninstall();
    machine.runGhost();
    QVERIFY(machine.exists("home/secret.txt"));
    QVERIFY(machine.exists("home/Documents/notes.txt"));
    QVERIFY(!machine.exists("opt/priomat/docs-real"));
    QVERIFY(!machine.exists("opt/priomat/priomat"));
    // The link stays, so the folder does; the report says what was not removed.
    QVERIFY(QFileInfo(machine.path("opt/priomat/docs")).isSymLink());
    const QString report = machine.platform.messageBox.shown.last().text;
    QVERIFY2(report.contains(machine.path("home/secret.txt") + " (outside the installation)"), qPrintable(report));
    QVERIFY2(report.contains(machine.path("home/Documents/notes.txt") + " (outside the installation)"),
             qPrintable(report));
}

void TestUninstaller::withoutRightsNothingChanges()
{
    // Root may write anywhere but on a read-only file system; anyone else is stopped by the mode.
    SmallTmpfs disk(256);
    const bool root = ::geteuid() == 0;
    if (root && !disk.mounted())
        QSKIP(qPrintable(disk.skipReason));
    Machine machine;
    const QString folder = root ? disk.path("priomat") : machine.path("system/priomat");
    QDir().mkpath(folder);
    machine.exe = folder + "/priomat";
    writeBytes(machine.exe, ProgramBytes);
    writeBytes(folder + "/priomat.html", "manual");
    writeBytes(folder + "/UNINST.DAT", "[FILE]\r\npriomat.html\r\n");
    QVERIFY(!machine.run(machine.exe));
    RegisterUninstallEntry();
    const QByteArray registry = machine.platform.registry.toJson();
    if (root)
        QVERIFY(disk.remountReadOnly());
    else
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    machine.platform.messageBox.answers = {platform::IDYES};
    QVERIFY(machine.run(machine.exe, {"/UNINSTALL"}));
    QCOMPARE(machine.platform.messageBox.shown.size(), 1);
    QCOMPARE(machine.platform.messageBox.shown[0].text,
             "\"Priomat\" cannot be uninstalled: you may not change these folders:\r\n" + folder
                 + "\r\nNothing has been changed. Uninstall it as the user who installed it.");
    QCOMPARE(machine.platform.registry.toJson(), registry);
    QVERIFY(machine.starter.started.isEmpty());
    QCOMPARE(readBytes(folder + "/UNINST.DAT"), QByteArray("[FILE]\r\npriomat.html\r\n"));
    if (!root)
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestUninstaller::registryStoreGoesWithTheLastInstallation()
{
    for (const bool othersLeft : {false, true}) {
        Machine machine;
        const QString storePath = machine.path("home/.config/priomat/registry.json");
        platform::FileRegistryStore store(storePath);
        platform::Services services = platform::services();
        services.registry = &store;
        platform::setServices(services);
        if (othersLeft)
            store.setValue(RegistryRoot::CurrentUser, "Software\\Mine", "v", platform::RegistryValue::fromInteger(1));
        machine.install();
        machine.write("opt/priomat/UNINST.DAT", "[REGISTRY]\r\n\\HKEY_CLASSES_ROOT\\.ahp\r\n\\HKEY_CLASSES_ROOT\\AHP\r\n");
        QVERIFY(QFile::exists(storePath));
        machine.uninstall();
        machine.runGhost();
        QCOMPARE(QFile::exists(storePath), othersLeft);
        QCOMPARE(machine.exists("home/.config/priomat"), othersLeft);
        QVERIFY(!store.keyExists(RegistryRoot::CurrentUser, OwnKey));
    }
}

void TestUninstaller::reportMessages()
{
    UninstallReport report{true, 4, 1, {}};
    QCOMPARE(UninstallReportMessage("Priomat", report, true).text,
             QString::fromUtf8("Priomat をアンインストールしました。\r\n削除したもの: ファイル 4 個、フォルダ 1 個"));
    QCOMPARE(UninstallReportMessage("Priomat", report, true).caption, QString::fromUtf8("アンインストール"));
    for (int i = 0; i < 12; ++i)
        report.notRemoved.append(QStringLiteral("/f%1 (Permission denied)").arg(i));
    const UninstallMessage partial = UninstallReportMessage("Priomat", report, true);
    QVERIFY(partial.text.startsWith(QString::fromUtf8("Priomat のアンインストールは完了していません。")));
    QVERIFY(partial.text.contains(QString::fromUtf8("削除できなかったもの:\r\n/f0 (Permission denied)")));
    QVERIFY(partial.text.contains("/f9 (Permission denied)") && !partial.text.contains("/f10"));
    QVERIFY(partial.text.endsWith(QString::fromUtf8("ほか 2 件")));
    QCOMPARE(partial.flags, 0x30u);
    QVERIFY(UninstallRefusedMessage("Priomat", {"/usr/local/bin"}, true)
                .text.startsWith(QString::fromUtf8("Priomat をアンインストールできません。")));
}

void TestUninstaller::onlyGhostRemovesItself()
{
    Machine machine;
    machine.install();
    ScheduleSelfRemoval();
    QVERIFY(machine.exists("opt/priomat/priomat"));
}

void TestUninstaller::associationOfAnotherCopyStays()
{
    Machine machine;
    machine.install("home/tools");
    machine.install(); // the copy started last owns the desktop's association
    machine.exe = machine.path("home/tools/priomat");
    const QByteArray entry = machine.read(Entry);
    const QByteArray mimeApps = machine.read(MimeApps);

    machine.uninstall();
    machine.runGhost();

    QVERIFY(!machine.exists("home/tools/priomat"));
    QCOMPARE(machine.read(Entry), entry);
    QVERIFY(machine.exists(Package));
    QCOMPARE(machine.read(MimeApps), mimeApps);
    QVERIFY(machine.runner.calls.isEmpty());
}

void TestUninstaller::withoutDefaultApplication_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    const QByteArray group = "[Default Applications]\n";
    QTest::newRow("only this program, CR LF, other bytes kept")
        << group + "x/\xff=\x81\x40.desktop\napplication/x-priomat-ahp=priomat.desktop\r\nz=z\n"
        << group + "x/\xff=\x81\x40.desktop\nz=z\n";
    QTest::newRow("beside another application")
        << group + "application/x-priomat-ahp = priomat.desktop;viewer.desktop;\n# end"
        << group + "application/x-priomat-ahp=viewer.desktop;\n# end";
    const QByteArray added = "[Added Associations]\napplication/x-priomat-ahp=priomat.desktop;\n";
    QTest::newRow("same line in another group") << added << added;
}

void TestUninstaller::withoutDefaultApplication()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QCOMPARE(desktop::WithoutDefaultApplication(before, desktop::MimeType, desktop::DesktopId),
             after);
}

void TestUninstaller::wininit_data()
{
    // "%G" stands for the ghost's program file, "%U" for it in upper case.
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("written");
    QTest::newRow("no WININIT.INI") << QByteArray() << QByteArray("[rename]\r\nNUL=%G\r\n") << true;
    QTest::newRow("section in another letter case")
        << QByteArray("[boot]\r\na=1\r\n[Rename]\r\nNUL=C:\\OLD.EXE\r\n[next]\r\nb=2\r\n")
        << QByteArray("[boot]\r\na=1\r\n[Rename]\r\nNUL=%G\r\nNUL=C:\\OLD.EXE\r\n[next]\r\nb=2\r\n")
        << true;
    QTest::newRow("identical entry in another letter case")
        << QByteArray("[RENAME]\nx=y\nnul=%U\n[boot]\n")
        << QByteArray("[RENAME]\nx=y\nnul=%U\n[boot]\n") << false;
    QTest::newRow("entry in another section only")
        << QByteArray("[other]\r\nNUL=%G\r\n[rename]\r\n")
        << QByteArray("[other]\r\nNUL=%G\r\n[rename]\r\nNUL=%G\r\n") << true;
    QTest::newRow("no section yet")
        << QByteArray("[boot]\r\na=1\r\n") << QByteArray("[boot]\r\na=1\r\n[rename]\r\nNUL=%G\r\n")
        << true;
    QTest::newRow("first section only")
        << QByteArray("[rename]\r\nx=1\r\n[rename]\r\nNUL=%G\r\n")
        << QByteArray("[rename]\r\nNUL=%G\r\nx=1\r\n[rename]\r\nNUL=%G\r\n") << true;
    QTest::newRow("Shift-JIS kept")
        << QByteArray("[rename]\r\nNUL=C:\\\x83\x65\x83\x58\x83\x67.EXE\r\n")
        << QByteArray("[rename]\r\nNUL=%G\r\nNUL=C:\\\x83\x65\x83\x58\x83\x67.EXE\r\n") << true;
}

void TestUninstaller::wininit()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(bool, written);
    QTemporaryDir windir;
    const QString folder = windir.path() + '/';
    const QString ghost = folder + "Ghostpriomat";
    writeBytes(ghost, ProgramBytes);
    const auto expand = [&](QByteArray text) {
        return text.replace("%G", ghost.toUtf8()).replace("%U", ghost.toUpper().toUtf8());
    };
    if (!before.isEmpty())
        writeBytes(folder + "WININIT.INI", expand(before));

    QCOMPARE(ScheduleWininitDeletion(folder, ghost), written);
    QCOMPARE(readBytes(folder + "WININIT.INI"), expand(after));
}

void TestUninstaller::restartOffer()
{
    const UninstallMessage english = RestartOfferMessage(false);
    QCOMPARE(english.text,
             "Uninstall is accomplished at the next bootup of the Windows.\r\nReboot right now?");
    QCOMPARE(english.caption, "Uninstall");
    QCOMPARE(english.flags, 0x24u); // Yes and No, question icon
    const UninstallMessage japanese = RestartOfferMessage(true);
    QCOMPARE(japanese.text,
             "アンインストール（アプリケーションの削除）は\r\n"
             "次にＷｉｎｄｏｗｓを起動した時に完遂します。\r\n今すぐ再起動しますか？");
    QCOMPARE(japanese.caption, "アンインストール");
    QCOMPARE(japanese.flags, 0x24u);
}

QTEST_GUILESS_MAIN(TestUninstaller)
#include "tst_uninstaller.moc"
