// The uninstaller from the confirmation to the ghost's last file, on temporary folders.
#include "app/Appli.h"
#include "setup/DesktopAssociation.h"
#include "FakePlatform.h"
#include "setup/FileTypeRegistration.h"
#include "app/SettingsStore.h"
#include "TestEnvironment.h"
#include "TestFiles.h"
#include "setup/UninstallSwitches.h"
#include "setup/Uninstaller.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <memory>

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
    QVERIFY(!machine.exists("shared/listed.txt"));
    QVERIFY(!machine.exists("bare/notes.txt"));
    QVERIFY(QFileInfo(machine.path("bare")).isDir());
    for (const QString &file : QStringList{"shared/keep.txt", "shared/more/mine.txt",
                                           "keep/before.txt", "keep/notes.txt"})
        QVERIFY2(machine.exists(file), qPrintable(file));
    // On Linux the ghost deletes its own file and offers no restart.
    QVERIFY(!QFileInfo::exists(ghost));
    QCOMPARE(machine.platform.messageBox.shown.size(), 1);

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
    Machine machine;
    machine.install();
    machine.starter.result = false;
    machine.uninstall();
    QVERIFY(!machine.exists("tmp/Ghostpriomat"));
    QVERIFY(machine.exists("opt/priomat/priomat"));
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
