// The uninstall entry and the ".ahp" association, in the registry store and on the desktop.
#include "app/Appli.h"
#include "setup/DesktopAssociation.h"
#include "FakePlatform.h"
#include "setup/FileTypeRegistration.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTest>

#include <memory>

using namespace priomat;
using namespace priomat::test;
using platform::RegistryRoot;
using platform::RegistryValue;

namespace {

const QString Uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Priomat";
const QDateTime LongAgo(QDate(2001, 1, 1), QTime(12, 0), Qt::UTC);

// Records the updaters instead of running them; "installed" unless named in `missing`.
struct RecordingRunner : desktop::HelperRunner
{
    RecordingRunner() { desktop::setHelperRunner(this); }
    ~RecordingRunner() override { desktop::setHelperRunner(nullptr); }
    QString find(const QString &program) const override
    {
        return missing.contains(program) ? QString() : "/usr/bin/" + program;
    }
    void run(const QString &path, const QStringList &arguments) override
    {
        calls.append((QStringList{path} + arguments).join(u' '));
    }
    QStringList missing;
    QStringList calls;
};

// One machine on which the program starts, perhaps several times and from several folders.
struct Machine
{
    // The system's folders are the test's too, so that nothing installed on the real machine
    // counts.
    Machine()
    {
        qputenv("XDG_CONFIG_DIRS", environment.path("etc/xdg").toUtf8());
        qputenv("XDG_DATA_DIRS", environment.path("usr/share").toUtf8());
    }
    ~Machine()
    {
        Appli = nullptr;
        qunsetenv("XDG_CONFIG_DIRS");
        qunsetenv("XDG_DATA_DIRS");
    }
    void start(const QString &program)
    {
        platform.system.program = program;
        appli = std::make_unique<TAppli>(platform.system);
        appli->SetProductIdentity();
        Appli = appli.get();
        RegisterUninstallEntry();
        RegisterFileType();
    }
    QString value(RegistryRoot root, const QString &key, const QString &name = {}) const
    {
        const auto stored = platform.registry.value(root, key, name);
        return !stored                                       ? "<missing>"
               : stored->kind == RegistryValue::Kind::String ? stored->text
                                                             : "<not a string>";
    }
    QString classes(const QString &key, const QString &name = {}) const
    {
        return value(RegistryRoot::ClassesRoot, key, name);
    }
    void preset(const QString &key, const QString &text)
    {
        platform.registry.setValue(RegistryRoot::ClassesRoot, key, {},
                                   RegistryValue::fromString(text));
    }
    QString path(const QString &relative) const { return environment.home() + '/' + relative; }
    QByteArray read(const QString &relative) const
    {
        QFile file(path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>";
    }
    void write(const QString &relative, const QByteArray &content) const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }
    void backdate(const QString &relative) const
    {
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(LongAgo, QFileDevice::FileModificationTime));
    }
    bool backdated(const QString &relative) const
    {
        return QFileInfo(path(relative)).fileTime(QFileDevice::FileModificationTime) == LongAgo;
    }

    TestEnvironment environment;
    FakePlatform platform;
    RecordingRunner runner;
    std::unique_ptr<TAppli> appli;
};

const QString Package = ".local/share/mime/packages/priomat.xml";
const QString Entry = ".local/share/applications/priomat.desktop";
const QString MimeApps = ".config/mimeapps.list";

} // namespace

class TestFileType : public QObject
{
    Q_OBJECT

private slots:
    void nothingRegisteredYet();
    void extensionOwnedByAnotherTypeAndSecondStart();
    void movedToFolderWithBlank();
    void execQuoting_data();
    void execQuoting();
    void defaultApplication_data();
    void defaultApplication();
    void othersDefaultKept();
    void systemInstallWritesNoCopies();
    void unwritableStoreIsSilent();
};

void TestFileType::nothingRegisteredYet()
{
    Machine machine;
    machine.runner.missing = QStringList{"update-desktop-database"};
    machine.start("/opt/priomat/priomat");

    QCOMPARE(machine.value(RegistryRoot::LocalMachine, Uninstall, "DisplayName"), "Priomat");
    QCOMPARE(machine.value(RegistryRoot::LocalMachine, Uninstall, "UninstallString"),
             "/opt/priomat/priomat /UNINSTALL");
    QCOMPARE(machine.classes(".ahp"), "AHP");
    QCOMPARE(machine.classes("AHP"), "AHP File");
    QCOMPARE(machine.classes("AHP\\DefaultIcon"), "/opt/priomat/priomat,0");
    QCOMPARE(machine.classes("AHP\\shell"), "Priomat");
    QCOMPARE(machine.classes("AHP\\shell\\Priomat\\command"), "\"/opt/priomat/priomat\" \"%1\"");
    QCOMPARE(machine.platform.registry.valueNames(RegistryRoot::ClassesRoot, "AHP\\shell"),
             QStringList{QString()});

    QCOMPARE(machine.read(Entry),
             "[Desktop Entry]\nType=Application\nName=Priomat\nName[ja]=Priomat\n"
             "Comment=AHP decision tool\nComment[ja]=AHP（階層分析法）による意思決定支援ツール\n"
             "Keywords=AHP;Analytic Hierarchy Process;decision;pairwise comparison;priorities;"
             "criteria;\nKeywords[ja]=AHP;階層分析法;意思決定;一対比較;優先度;評価基準;\n"
             "Exec=/opt/priomat/priomat %f\nIcon=priomat\n"
             "MimeType=application/x-priomat-ahp;\nCategories=Office;\nTerminal=false\n");
    QCOMPARE(machine.read(MimeApps),
             "[Default Applications]\napplication/x-priomat-ahp=priomat.desktop\n");
    // Qt reads the package as the desktop's type database does, so this also checks the XML.
    QMimeDatabase types;
    const QMimeType type = types.mimeTypeForFile("plan.AHP", QMimeDatabase::MatchExtension);
    QCOMPARE(type.name(), "application/x-priomat-ahp");
    QCOMPARE(type.comment(), "AHP File");
    QVERIFY(type.inherits("text/plain"));
    QCOMPARE(types.mimeTypeForData(QByteArray("Priomat - Data File\r\n\r\n[Tree]\r\n")), type);
    // A missing updater is skipped.
    QCOMPARE(machine.runner.calls,
             QStringList{"/usr/bin/update-mime-database " + machine.path(".local/share/mime")});
}

void TestFileType::extensionOwnedByAnotherTypeAndSecondStart()
{
    Machine machine;
    machine.preset(".ahp", "AhpViewer.Document");
    machine.preset("AhpViewer.Document\\DefaultIcon", "/usr/bin/ahpviewer,2");
    machine.preset("AhpViewer.Document\\shell", "open");
    QVERIFY(QDir().mkpath(machine.path(".config")));
    machine.write(MimeApps, "[Default Applications]\ntext/html=firefox.desktop\n\n[Added "
                            "Associations]\nimage/png=gimp.desktop;\n");
    machine.start("/opt/priomat/priomat");

    QCOMPARE(machine.classes(".ahp"), "AhpViewer.Document");
    QVERIFY(!machine.platform.registry.keyExists(RegistryRoot::ClassesRoot, "AHP"));
    QCOMPARE(machine.classes("AhpViewer.Document\\DefaultIcon"), "/opt/priomat/priomat,0");
    QCOMPARE(machine.classes("AhpViewer.Document\\shell", "Priomat Backup"), "open");
    QCOMPARE(machine.classes("AhpViewer.Document\\shell"), "Priomat");
    QCOMPARE(machine.classes("AhpViewer.Document\\shell\\Priomat\\command"),
             "\"/opt/priomat/priomat\" \"%1\"");
    QCOMPARE(machine.read(MimeApps), "[Default Applications]\ntext/html=firefox.desktop\n"
                                     "application/x-priomat-ahp=priomat.desktop\n\n[Added "
                                     "Associations]\nimage/png=gimp.desktop;\n");

    // The second start finds its own verb, so neither the backup nor any file is written again.
    const QByteArray registry = machine.platform.registry.toJson();
    for (const QString &file : {Package, Entry, MimeApps})
        machine.backdate(file);
    machine.runner.calls.clear();
    machine.start("/opt/priomat/priomat");
    QCOMPARE(machine.platform.registry.toJson(), registry);
    for (const QString &file : {Package, Entry, MimeApps})
        QVERIFY2(machine.backdated(file), qPrintable(file));
    QCOMPARE(machine.runner.calls, QStringList());
}

void TestFileType::movedToFolderWithBlank()
{
    Machine machine;
    machine.start("/opt/priomat/priomat");
    machine.backdate(Package);
    machine.runner.calls.clear();
    machine.start("/home/me/My Tools/priomat");

    QCOMPARE(machine.classes("AHP\\DefaultIcon"), "/home/me/My Tools/priomat,0");
    QCOMPARE(machine.classes("AHP\\shell\\Priomat\\command"),
             "\"/home/me/My Tools/priomat\" \"%1\"");
    QCOMPARE(machine.value(RegistryRoot::LocalMachine, Uninstall, "UninstallString"),
             "/home/me/My Tools/priomat /UNINSTALL");
    QCOMPARE(machine.classes("AHP\\shell", "Priomat Backup"), "<missing>");
    QVERIFY(machine.read(Entry).contains("\nExec=\"/home/me/My Tools/priomat\" %f\n"));
    // Only the entry changed, so only its cache is rebuilt.
    QVERIFY(machine.backdated(Package));
    QCOMPARE(machine.runner.calls, QStringList{"/usr/bin/update-desktop-database " +
                                               machine.path(".local/share/applications")});
}

void TestFileType::execQuoting_data()
{
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QByteArray>("exec");
    QTest::newRow("plain") << "/usr/bin/priomat" << QByteArray("Exec=/usr/bin/priomat %f");
    QTest::newRow("quote") << R"(/opt/a"b/priomat)"
                           << QByteArray(R"(Exec="/opt/a\\"b/priomat" %f)");
    QTest::newRow("dollar, backtick")
        << "/opt/$x`y`/priomat" << QByteArray(R"(Exec="/opt/\\$x\\`y\\`/priomat" %f)");
    // Escaped once for the argument and once more for the value: four backslashes.
    QTest::newRow("backslash") << R"(/opt/a\b/priomat)"
                               << QByteArray(R"(Exec="/opt/a\\\\b/priomat" %f)");
    QTest::newRow("percent") << "/opt/100%f/priomat"
                             << QByteArray(R"(Exec="/opt/100%%f/priomat" %f)");
}

void TestFileType::execQuoting()
{
    QFETCH(QString, exe);
    QFETCH(QByteArray, exec);
    QVERIFY2(desktop::DesktopEntryText(exe).split('\n').contains(exec),
             desktop::DesktopEntryText(exe).constData());
}

void TestFileType::defaultApplication_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    const QByteArray line = "application/x-priomat-ahp=priomat.desktop\n";
    QTest::newRow("other group, no final line end")
        << QByteArray("[Added Associations]\ntext/plain=gedit.desktop;")
        << "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n" + line;
    QTest::newRow("another default kept")
        << QByteArray("[Default "
                      "Applications]\n#application/x-priomat-ahp=a.desktop\napplication/"
                      "x-priomat-ahp = b.desktop;\nx/y=c.desktop")
        << QByteArray("[Default "
                      "Applications]\n#application/x-priomat-ahp=a.desktop\napplication/"
                      "x-priomat-ahp = b.desktop;\nx/y=c.desktop");
    QTest::newRow("empty default filled, comment kept")
        << QByteArray("[Default Applications]\n#application/x-priomat-ahp=a.desktop\n"
                      "application/x-priomat-ahp= ;\n")
        << "[Default Applications]\n#application/x-priomat-ahp=a.desktop\n" + line;
    QTest::newRow("same key in another group untouched")
        << QByteArray("[Added Associations]\napplication/x-priomat-ahp=b.desktop;\n[Default "
                      "Applications]\n")
        << "[Added Associations]\napplication/x-priomat-ahp=b.desktop;\n[Default Applications]\n" +
               line;
    QTest::newRow("bytes that are not UTF-8")
        << QByteArray("[Default Applications]\nx/\xff=\x81\x40.desktop\n")
        << "[Default Applications]\nx/\xff=\x81\x40.desktop\n" + line;
}

void TestFileType::defaultApplication()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QCOMPARE(desktop::WithDefaultApplication(before, desktop::MimeType, desktop::DesktopId), after);
    QCOMPARE(desktop::WithDefaultApplication(after, desktop::MimeType, desktop::DesktopId), after);
}

void TestFileType::othersDefaultKept()
{
    // The user's own choice, in the general and in a desktop's own list, and the system's.
    const QByteArray viewer = "[Default Applications]\napplication/x-priomat-ahp=viewer.desktop;\n";
    for (const QString &list : {MimeApps, QString(".config/xfce-mimeapps.list"),
                                QString("etc/xdg/mimeapps.list"),
                                QString("usr/share/applications/mimeapps.list")}) {
        Machine machine;
        qputenv("XDG_CURRENT_DESKTOP", "XFCE");
        const QString relative = list.startsWith('.') ? list : "../" + list;
        machine.write(relative, viewer);
        if (list != MimeApps)
            machine.write(MimeApps, "[Added Associations]\nimage/png=gimp.desktop;\n");
        const QByteArray before = machine.read(MimeApps);
        machine.start("/opt/priomat/priomat");
        machine.start("/opt/priomat/priomat");
        QVERIFY2(machine.read(MimeApps) == before, qPrintable(list));
        QCOMPARE(machine.read(relative), viewer);
        // The entry is there all the same, so "Open with" offers the program.
        QVERIFY(machine.read(Entry).contains("MimeType=application/x-priomat-ahp;"));
        qunsetenv("XDG_CURRENT_DESKTOP");
    }
}

void TestFileType::systemInstallWritesNoCopies()
{
    Machine machine;
    const QString exe = machine.environment.path("usr/bin/priomat");
    // An earlier start, before the program came with its package, left its own copies.
    machine.start(exe);
    QVERIFY(QFile::exists(machine.path(Entry)));
    machine.write(".local/share/applications/other.desktop", "[Desktop Entry]\n");
    machine.write("../usr/share/applications/priomat.desktop", desktop::DesktopEntryText("priomat"));
    machine.write("../usr/share/mime/packages/priomat.xml", desktop::MimePackageText());
    QCOMPARE(desktop::InstalledDataFolder(exe), machine.environment.path("usr/share"));
    machine.runner.calls.clear();

    machine.start(exe);
    QCOMPARE(machine.read(Entry), "<missing>");
    QCOMPARE(machine.read(Package), "<missing>");
    QCOMPARE(machine.read(".local/share/applications/other.desktop"), "[Desktop Entry]\n");
    QCOMPARE(machine.read(MimeApps), "[Default Applications]\napplication/x-priomat-ahp=priomat.desktop\n");
    QCOMPARE(machine.runner.calls.size(), 2);

    // Another copy's entry is that copy's; a prefix the desktop does not search needs its own.
    machine.write(Entry, desktop::DesktopEntryText("/opt/priomat/priomat"));
    machine.start(exe);
    QCOMPARE(machine.read(Entry), desktop::DesktopEntryText("/opt/priomat/priomat"));
    qputenv("XDG_DATA_DIRS", machine.environment.path("elsewhere").toUtf8());
    QCOMPARE(desktop::InstalledDataFolder(exe), QString());
    machine.start(exe);
    QCOMPARE(machine.read(Entry), desktop::DesktopEntryText(exe));
}

void TestFileType::unwritableStoreIsSilent()
{
    Machine machine;
    machine.platform.registry.setFailWrites(true);
    machine.start("/opt/priomat/priomat");
    QVERIFY(!machine.platform.registry.keyExists(RegistryRoot::ClassesRoot, ".ahp"));
    QVERIFY(!machine.platform.registry.keyExists(RegistryRoot::LocalMachine, Uninstall));
    QVERIFY(machine.read(Entry).contains(
        "\nExec=/opt/priomat/priomat %f\n")); // independent of the store
}

QTEST_GUILESS_MAIN(TestFileType)
#include "tst_filetype.moc"
