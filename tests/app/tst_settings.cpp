// The settings file and cache, escaping, and registry values by key path.
#include "ScopedGlobal.h"
#include "app/Appli.h"
#include "FakePlatform.h"
#include "app/Frame.h"
#include "app/SettingsStore.h"
#include "TestEnvironment.h"
#include "document/TextFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "SmallTmpfs.h"
#include "TestFiles.h"

#include <unistd.h>

using namespace priomat;
using namespace priomat::test;
using namespace priomat::platform;

namespace {

const QStringList WorkedExample{
    "BaseForm", " Height=I:267", " Left=I:18", " State=S:Normal", " Top=I:122",
    " TreeWidth=I:137", " Width=I:409", "OptionForm", " Last=S:フォント", "Option",
    " Calculate=B:True", " Color=B:True", " Input", "  Inverse=B:True", " View",
    "  Color=I:-2147483633", "  Font", "   Japanese", "    Bold=B:False", "    Charset=I:128",
    "    Name=S:ＭＳ Ｐゴシック", "    Size=I:9"};

QByteArray crlf(const QStringList &lines)
{
    return EncodeTextLines(lines, TextEncoding::Utf8);
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void workedExampleReadsAndWritesBack();
    void escaping();
    void sortOrderIsByteOrderOfUpperCaseKeys();
    void tagsOnReading();
    void keysIgnoreCaseAndKeepLastSpelling();
    void writingEmptyDeletes();
    void valueKindsRoundTrip();
    void depthRules();
    void missingFileGivesDefaultsAndSaveCreatesIt();
    void failedSaveKeepsCacheAndOldFile();
    void hostileFilesNeitherCrashNorHang();
    void damagedFileIsKeptAside();
    void startupReportsEachProblemOnce();
    void fullDiskKeepsTheOldFile();
    void cp932FileStaysCp932();
    void fileLocation();
    void registryPaths();
    void registryValues();
    void registryFailures();
};

void TestSettings::workedExampleReadsAndWritesBack()
{
    TestEnvironment environment;
    const QString path = environment.path("priomat.ini");
    writeBytes(path, crlf(WorkedExample));
    SettingsStore store(path);
    QCOMPARE(store.ReadSetting("BaseForm", "Height", 0), QVariant(267));
    QCOMPARE(store.ReadSetting("OptionForm", "Last", ""), QVariant(QString::fromUtf8("フォント")));
    QCOMPARE(store.ReadSetting("Option\\Input", "Inverse", false), QVariant(true));
    QCOMPARE(store.ReadSetting("Option\\View\\Font\\Japanese", "Name", ""),
             QVariant(QString::fromUtf8("ＭＳ Ｐゴシック")));
    QCOMPARE(store.ReadSetting("Option\\View", "Color", 0), QVariant(-2147483633));
    QCOMPARE(store.entries().size(), 15);
    store.SaveSettings();
    QCOMPARE(readBytes(path), crlf(WorkedExample));
}

void TestSettings::escaping()
{
    const QString text = QStringLiteral("50%\t\r\n");
    QCOMPARE(EscapeSettingText(text), QStringLiteral("50%%%09%0D%0A"));
    QCOMPARE(*UnescapeSettingText("50%%%09%0D%0A"), text);
    QCOMPARE(*UnescapeSettingText("%41"), QStringLiteral("A"));
    QCOMPARE(*UnescapeSettingText("%4"), QString(QChar(4)));
    QVERIFY(!UnescapeSettingText("%G1"));
    QVERIFY(!UnescapeSettingText("%"));
    QCOMPARE(EscapeSettingText(QString::fromUtf8("日本%")), QString::fromUtf8("日本%%"));

    TestEnvironment environment;
    SettingsStore store(environment.path("s.ini"));
    store.WriteSetting("S", "Text", text);
    store.SaveSettings();
    QVERIFY(readBytes(environment.path("s.ini")).contains("Text=S:50%%%09%0D%0A\r\n"));
    QCOMPARE(SettingsStore(environment.path("s.ini")).ReadSetting("S", "Text", ""), QVariant(text));
}

void TestSettings::sortOrderIsByteOrderOfUpperCaseKeys()
{
    TestEnvironment environment;
    SettingsStore store(environment.path("s.ini"));
    store.WriteSetting("Option", "Calculate", true);
    store.WriteSetting("OptionForm", "Last", "Font");
    store.WriteSetting("a", "z", 1);
    store.WriteSetting("B", "y", 2);
    store.SaveSettings();
    QCOMPARE(readBytes(environment.path("s.ini")),
             crlf({"a", " z=I:1", "B", " y=I:2", "OptionForm", " Last=S:Font", "Option", " Calculate=B:True"}));
}

void TestSettings::tagsOnReading()
{
    TestEnvironment environment;
    const QString path = environment.path("s.ini");
    writeBytes(path, crlf({"Flag=B:true", "Flag2=B:True", "Width=Integer:5", "Key=abc", "Bad=S:%G1",
                           "BadInt=I:12x", "Letter=S:%41", "Empty=:", "Float=F:2.5", "Date=D:2001/02/03 04:05:06",
                           "Colon=S:a:b=c", "Big=I:99999999999"}));
    SettingsStore store(path);
    QCOMPARE(store.ReadSetting("", "Flag", true), QVariant(false));
    QCOMPARE(store.ReadSetting("", "Flag2", false), QVariant(true));
    QCOMPARE(store.ReadSetting("", "Width", 0), QVariant(QStringLiteral("5")));
    QCOMPARE(store.ReadSetting("", "Key", ""), QVariant(QStringLiteral("abc")));
    QCOMPARE(store.ReadSetting("", "Bad", "default"), QVariant(QStringLiteral("default")));
    QCOMPARE(store.ReadSetting("", "BadInt", 7), QVariant(7));
    QCOMPARE(store.ReadSetting("", "Letter", ""), QVariant(QStringLiteral("A")));
    QCOMPARE(store.ReadSetting("", "Empty", "x"), QVariant(QString()));
    QCOMPARE(store.ReadSetting("", "Float", 0.0), QVariant(2.5));
    QCOMPARE(store.ReadSetting("", "Date", QDateTime()),
             QVariant(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6))));
    QCOMPARE(store.ReadSetting("", "Colon", ""), QVariant(QStringLiteral("a:b=c")));
    QCOMPARE(store.ReadSetting("", "Big", 3), QVariant(3));
    store.SaveSettings();
    const QByteArray saved = readBytes(path);
    QVERIFY(saved.contains("\r\nWidth=I:5\r\n"));
    QVERIFY(saved.contains("\r\nKey=a:abc\r\n"));
    QCOMPARE(SettingsStore(path).ReadSetting("", "Width", ""), QVariant(5));
}

void TestSettings::keysIgnoreCaseAndKeepLastSpelling()
{
    TestEnvironment environment;
    SettingsStore store(environment.path("s.ini"));
    store.WriteSetting("baseform", "left", 1);
    store.WriteSetting("BaseForm", "Left", 2);
    QCOMPARE(store.entries().size(), 1);
    QCOMPARE(store.ReadSetting("BASEFORM", "LEFT", 0), QVariant(2));
    store.SaveSettings();
    QCOMPARE(readBytes(environment.path("s.ini")), crlf({"BaseForm", " Left=I:2"}));
}

void TestSettings::writingEmptyDeletes()
{
    TestEnvironment environment;
    SettingsStore store(environment.path("s.ini"));
    store.WriteSetting("A", "x", 1);
    store.WriteSetting("A", "y", 2);
    store.WriteSetting("A", "x", QVariant());
    store.WriteSetting("A", "missing", QVariant());
    store.SaveSettings();
    QCOMPARE(readBytes(environment.path("s.ini")), crlf({"A", " y=I:2"}));
    // Kinds that are not kept leave a new entry empty.
    store.WriteSetting("A", "z", QVariant::fromValue(qint64(5)));
    store.SaveSettings();
    QCOMPARE(readBytes(environment.path("s.ini")), crlf({"A", " y=I:2", " z=:"}));
    QCOMPARE(SettingsStore(environment.path("s.ini")).ReadSetting("A", "z", 1), QVariant(QString()));
}

void TestSettings::valueKindsRoundTrip()
{
    TestEnvironment environment;
    SettingsStore store(environment.path("s.ini"));
    const QDateTime date(QDate(2026, 12, 7), QTime(8, 9, 10));
    store.WriteSetting("K", "Double", 0.1);
    store.WriteSetting("K", "Date", date);
    store.WriteSetting("K", "Negative", -42);
    store.WriteSetting("K", "Bool", false);
    store.WriteSetting("K", "Text", QString::fromUtf8("ソ表\\="));
    store.SaveSettings();
    SettingsStore again(environment.path("s.ini"));
    QCOMPARE(again.ReadSetting("K", "Double", 0.0), QVariant(0.1));
    QCOMPARE(again.ReadSetting("K", "Date", QDateTime()), QVariant(date));
    QCOMPARE(again.ReadSetting("K", "Negative", 0), QVariant(-42));
    QCOMPARE(again.ReadSetting("K", "Bool", true), QVariant(false));
    QCOMPARE(again.ReadSetting("K", "Text", ""), QVariant(QString::fromUtf8("ソ表\\=")));
}

void TestSettings::depthRules()
{
    TestEnvironment environment;
    const QString path = environment.path("s.ini");
    // A blank line ends every open section; skipped levels get empty names; a value line is a
    // component for deeper lines; a name holding "\" separates levels.
    writeBytes(path, crlf({"Top", " a=I:1", "", " b=I:2", "X", "   deep=I:3", "V=I:4", " W=I:5", "P\\Q=I:6"}));
    SettingsStore store(path);
    QCOMPARE(store.ReadSetting("Top", "a", 0), QVariant(1));
    QCOMPARE(store.ReadSetting("Top", "b", 0), QVariant(0));
    QCOMPARE(store.ReadSetting("", "\\b", 0), QVariant(2));
    QCOMPARE(store.ReadSetting("X\\\\", "deep", 0), QVariant(3));
    QCOMPARE(store.ReadSetting("V", "W", 0), QVariant(5));
    QCOMPARE(store.ReadSetting("P", "Q", 0), QVariant(6));
}

void TestSettings::missingFileGivesDefaultsAndSaveCreatesIt()
{
    TestEnvironment environment;
    const QString path = environment.path("sub/folder/s.ini");
    SettingsStore store(path);
    QCOMPARE(store.ReadSetting("Option", "Calculate", true), QVariant(true));
    QVERIFY(!QFile::exists(path));
    store.SaveSettings();
    QVERIFY(QFile::exists(path));
    QCOMPARE(readBytes(path), QByteArray());
}

void TestSettings::failedSaveKeepsCacheAndOldFile()
{
    TestEnvironment environment;
    const QString blocker = environment.path("blocker");
    writeBytes(blocker, "x");
    SettingsStore store(blocker + "/s.ini");
    store.WriteSetting("A", "x", 1);
    QVERIFY_THROWS_EXCEPTION(FileError, store.SaveSettings());
    QCOMPARE(store.ReadSetting("A", "x", 0), QVariant(1));

    const QString path = environment.path("s.ini");
    writeBytes(path, crlf({"A", " x=I:1"}));
    SettingsStore readable(path);
    readable.WriteSetting("A", "x", 2);
    QFile::setPermissions(environment.root.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (::access(environment.root.path().toLocal8Bit().constData(), W_OK) != 0) { // not as root
        QVERIFY_THROWS_EXCEPTION(FileError, readable.SaveSettings());
        QCOMPARE(readBytes(path), crlf({"A", " x=I:1"}));
        QCOMPARE(readable.ReadSetting("A", "x", 0), QVariant(2));
    }
    QFile::setPermissions(environment.root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestSettings::hostileFilesNeitherCrashNorHang()
{
    TestEnvironment environment;
    const QString path = environment.path("s.ini");
    QByteArray hostile;
    hostile += QByteArray(1 << 20, 'N') + "\r\n";            // a huge node name
    for (int i = 0; i < 2000; ++i)
        hostile += " v" + QByteArray::number(i) + "=I:1\r\n"; // many keys below it
    hostile += QByteArray(200000, ' ') + "deep=I:1\r\n";     // very deep indentation
    hostile += QByteArray("\xFF\xFE\x00garbage", 10) + "\r\n";
    writeBytes(path, hostile);
    SettingsStore store(path);
    QCOMPARE(store.ReadSetting("", "deep", 7), QVariant(7));
    store.WriteSetting("A", "b", 1);
    QCOMPARE(store.ReadSetting("A", "b", 0), QVariant(1));

    // Larger than any settings file, or a folder: nothing is read, and the file is never
    // written over.
    const QByteArray large(5 * 1024 * 1024, 'x');
    writeBytes(path, large);
    QDir().mkpath(environment.path("folder.ini"));
    for (const QString &unreadable : {path, environment.path("folder.ini")}) {
        SettingsStore store(unreadable);
        store.LoadSettings();
        QCOMPARE(store.loadProblem().kind, StoredFileProblem::Kind::Unreadable);
        QCOMPARE(store.ReadSetting("A", "b", 3), QVariant(3));
        store.WriteSetting("A", "b", 1);
        store.SaveSettings();
    }
    QCOMPARE(readBytes(path), large);
    QVERIFY(QFileInfo(environment.path("folder.ini")).isDir());
}

void TestSettings::damagedFileIsKeptAside()
{
    TestEnvironment environment;
    const QString path = environment.path("s.ini");
    writeBytes(path + ".damaged", "an older copy");
    const QList<QByteArray> damaged{
        crlf({"A", " x=I:1"}) + QByteArray(" y=I:2\0 z=I:3\r\n", 15), // a NUL
        crlf({"A", " x=I:1"}) + " y=I:",                           // cut off in a line
    };
    for (const QByteArray &bytes : damaged) {
        writeBytes(path, bytes);
        SettingsStore store(path);
        QCOMPARE(store.ReadSetting("A", "x", 0), QVariant(1));
        QCOMPARE(store.loadProblem().kind, StoredFileProblem::Kind::Damaged);
        QCOMPARE(readBytes(path + ".damaged"), bytes);
        store.SaveSettings();
        QCOMPARE(readBytes(path + ".damaged"), bytes);
        QVERIFY(readBytes(path).startsWith(crlf({"A", " x=I:1"})));
        // What the program wrote reads as sound.
        SettingsStore again(path);
        again.LoadSettings();
        QCOMPARE(again.loadProblem().kind, StoredFileProblem::Kind::None);
    }
}

void TestSettings::startupReportsEachProblemOnce()
{
    TestEnvironment environment;
    FakePlatform platform;
    platform.system.program = environment.path("priomat");
    writeBytes(platform.system.program, QByteArray());
    writeBytes(environment.path(".portable"), QByteArray()); // settings beside the program
    QDir().mkpath(environment.path("priomat.ini")); // a folder where the settings file should be
    writeBytes(environment.path("registry.json"), "{\"format\":\"priomat-registry\",\"roots\":7}");
    FileRegistryStore registry(environment.path("registry.json"));
    platform::Services services = platform::services();
    services.registry = &registry;
    platform::setServices(services);

    FrameStartup();
    QCOMPARE(platform.messageBox.shown.size(), 2);
    QCOMPARE(platform.messageBox.shown[0].caption, QStringLiteral("Warning"));
    QVERIFY(platform.messageBox.shown[0].text.contains(environment.path("registry.json.damaged")));
    QCOMPARE(platform.messageBox.shown[1].caption, QStringLiteral("Error"));
    QCOMPARE(platform.messageBox.shown[1].text,
             "The file \"" + environment.path("priomat.ini") + "\" cannot be read. It is a folder.\r\n"
             "Priomat goes on with its defaults and leaves this file as it is.");
    // The identity values went into the new store, and the program runs on its defaults.
    QVERIFY(registry.value(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Priomat", "Title"));
    QCOMPARE(ReadSetting("Option", "Calculate", true), QVariant(true));
    WriteSetting("Option", "Calculate", false);
    SaveSettings();
    QCOMPARE(platform.messageBox.shown.size(), 2);
    QVERIFY(QFileInfo(environment.path("priomat.ini")).isDir());
    FrameShutdown();

    const platform::StoredFileProblem problem{StoredFileProblem::Kind::Damaged, "/a/s.ini",
                                              "/a/s.ini.damaged", "It ends in the middle of a line."};
    QCOMPARE(StoredFileProblemMessage(problem, true),
             QString::fromUtf8("ファイル \"/a/s.ini\" は壊れています。It ends in the middle of a line.\r\n"
                               "元のファイルを \"/a/s.ini.damaged\" として残し、読み込めた内容で続けます。"));
}

void TestSettings::fullDiskKeepsTheOldFile()
{
    SmallTmpfs disk(32);
    if (!disk.mounted())
        QSKIP(qPrintable(disk.skipReason));
    const QString path = disk.path("priomat.ini");
    const QByteArray old = crlf({"A", " x=I:1"});
    writeBytes(path, old);
    SettingsStore store(path);
    store.WriteSetting("A", "long", QString(9000, u'x'));
    disk.fill();
    try {
        store.SaveSettings();
        QFAIL("settings written onto a full disk were taken as saved");
    } catch (const FileError &error) {
        QVERIFY2(error.message().contains("No space left on device"), qPrintable(error.message()));
    }
    QCOMPARE(readBytes(path), old);
    QCOMPARE(disk.entries(), QStringList{"priomat.ini"});
    QCOMPARE(store.ReadSetting("A", "long", QString()).toString().size(), 9000);
}

void TestSettings::cp932FileStaysCp932()
{
    TestEnvironment environment;
    const QString path = environment.path("s.ini");
    writeBytes(path, EncodeTextLines({"OptionForm", " Last=S:フォント"}, TextEncoding::Cp932));
    SettingsStore store(path);
    QCOMPARE(store.ReadSetting("OptionForm", "Last", ""), QVariant(QString::fromUtf8("フォント")));
    store.SaveSettings();
    QCOMPARE(readBytes(path), EncodeTextLines({"OptionForm", " Last=S:フォント"}, TextEncoding::Cp932));
}

void TestSettings::fileLocation()
{
    TestEnvironment environment;
    const QString config = environment.home() + "/.config/priomat/priomat.ini";
    // A prefix install, or a build folder: nothing marks it portable.
    QDir().mkpath(environment.path("prefix/bin"));
    QCOMPARE(SettingsFilePath(environment.path("prefix/bin/"), "priomat"), config);
    QDir().mkpath(environment.path("tools"));
    QCOMPARE(SettingsFilePath(environment.path("tools/"), "priomat"), config);
    QCOMPARE(SettingsFilePath("/nonexistent/folder/", "priomat"), config);

    // The archive's marker, or a settings file left by an earlier run, make a folder portable.
    QDir().mkpath(environment.path("unpacked"));
    writeBytes(environment.path("unpacked/.portable"), QByteArray());
    QCOMPARE(SettingsFilePath(environment.path("unpacked/"), "priomat"),
             environment.path("unpacked/priomat.ini"));
    writeBytes(environment.path("tools/priomat.ini"), QByteArray());
    QCOMPARE(SettingsFilePath(environment.path("tools/"), "priomat"), environment.path("tools/priomat.ini"));

    // Never bin/, even where an older version left its settings there; never a read-only folder.
    writeBytes(environment.path("prefix/bin/priomat.ini"), QByteArray());
    writeBytes(environment.path("prefix/bin/.portable"), QByteArray());
    QCOMPARE(SettingsFilePath(environment.path("prefix/bin/"), "priomat"), config);
    QFile::setPermissions(environment.path("unpacked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!QFileInfo(environment.path("unpacked/")).isWritable()) // root writes anywhere
        QCOMPARE(SettingsFilePath(environment.path("unpacked/"), "priomat"), config);
    QFile::setPermissions(environment.path("unpacked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                            | QFileDevice::ExeOwner);
}

void TestSettings::registryPaths()
{
    FakePlatform platform;
    TAppli appli(platform.system);
    appli.SetProductIdentity();
    const ScopedGlobal<TAppli> current(Appli, &appli);
    RegistryPath own = SplitRegistryPath("");
    QVERIFY(own.ok);
    QCOMPARE(own.root, RegistryRoot::CurrentUser);
    QCOMPARE(own.subkey, QStringLiteral("Software\\Quorrel Lab\\Priomat\\"));
    RegistryPath classes = SplitRegistryPath("\\hkey_classes_root\\.ahp");
    QVERIFY(classes.ok);
    QCOMPARE(classes.root, RegistryRoot::ClassesRoot);
    QCOMPARE(classes.subkey, QStringLiteral(".ahp"));
    QCOMPARE(SplitRegistryPath("\\HKEY_DYN_DATA").root, RegistryRoot::DynData);
    QCOMPARE(SplitRegistryPath("\\HKEY_DYN_DATA").subkey, QString());
    QVERIFY(!SplitRegistryPath("\\HKEY_NOWHERE\\x").ok);
}

void TestSettings::registryValues()
{
    FakePlatform platform;
    TAppli appli(platform.system);
    appli.SetProductIdentity();
    const ScopedGlobal<TAppli> current(Appli, &appli);
    QVERIFY(WriteRegistryValue("", "Title", "Priomat"));
    QVERIFY(WriteRegistryValue("", "MajorVersion", 2));
    QVERIFY(WriteRegistryValue("", "Flag", true));
    QVERIFY(WriteRegistryValue("", "Ratio", 0.25));
    QCOMPARE(platform.registry.value(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Priomat", "Title")->text,
             QStringLiteral("Priomat"));
    QCOMPARE(platform.registry.value(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Priomat", "MajorVersion")->kind,
             RegistryValue::Kind::Integer);
    QCOMPARE(ReadRegistryValue("", "MajorVersion", 0), QVariant(2));
    QCOMPARE(ReadRegistryValue("", "MajorVersion", QString()), QVariant(QString())); // integer as string: default
    QCOMPARE(ReadRegistryValue("", "Title", QString("x")), QVariant(QStringLiteral("Priomat")));
    QCOMPARE(ReadRegistryValue("", "Flag", false), QVariant(true));
    QCOMPARE(ReadRegistryValue("", "Ratio", 0.0), QVariant(0.25));
    QCOMPARE(ReadRegistryValue("", "Missing", 9), QVariant(9));
    QVERIFY(!ReadRegistryValue("\\HKEY_NOWHERE\\x", "v", 9).isValid());

    // Booleans from strings.
    for (const char *text : {"0", "false", "FALSE"}) {
        WriteRegistryValue("B", "v", QString::fromLatin1(text));
        QCOMPARE(ReadRegistryValue("B", "v", true), QVariant(false));
    }
    WriteRegistryValue("B", "v", "no");
    QCOMPARE(ReadRegistryValue("B", "v", false), QVariant(true));
    // Integers from binary values, first byte most significant.
    platform.registry.setValue(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Priomat\\B", "bin",
                               RegistryValue::fromBinary(QByteArray("\x01\x02", 2)));
    QCOMPARE(ReadRegistryValue("B", "bin", 0), QVariant(0x0102));

    // An empty value deletes the subkey of that name.
    WriteRegistryValue("B\\Child", "x", 1);
    QVERIFY(WriteRegistryValue("B", "Child", QVariant()));
    QVERIFY(!platform.registry.keyExists(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Priomat\\B\\Child"));
    QVERIFY(platform.registry.keyExists(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Priomat\\B"));

    // The empty path deletes the program's own key with everything below it.
    DeleteRegistryKey("");
    QVERIFY(!platform.registry.keyExists(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Priomat"));
    QVERIFY(platform.registry.keyExists(RegistryRoot::CurrentUser, "Software\\Quorrel Lab"));
    WriteRegistryValue("\\HKEY_CLASSES_ROOT\\.ahp\\", "", "AHPFile");
    DeleteRegistryKey("\\HKEY_CLASSES_ROOT\\.ahp\\");
    QVERIFY(!platform.registry.keyExists(RegistryRoot::ClassesRoot, ".ahp"));
}

void TestSettings::registryFailures()
{
    FakePlatform platform;
    TAppli appli(platform.system);
    appli.SetProductIdentity();
    const ScopedGlobal<TAppli> current(Appli, &appli);
    WriteRegistryValue("", "Title", "old");
    platform.registry.setFailWrites(true);
    QVERIFY(!WriteRegistryValue("", "Title", "new"));
    QCOMPARE(ReadRegistryValue("", "Title", ""), QVariant(QStringLiteral("old")));
    QVERIFY(WriteRegistryValue("\\HKEY_NOWHERE\\x", "v", 1)); // unknown root: nothing to do
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
