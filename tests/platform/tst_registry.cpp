// The registry store: keys and value kinds, persistence, failures and damaged files.
#include "platform/RegistryStore.h"
#include "SmallTmpfs.h"
#include "TestEnvironment.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>

#include <QFile>
#include <QTest>

using namespace priomat::platform;
using namespace priomat::test;

class TestRegistry : public QObject
{
    Q_OBJECT

private slots:
    void keysIgnoreLetterCaseAndKeepTheirSpelling();
    void valueKindsStayApart();
    void deleteRemovesTheWholeSubtree();
    void fileStoreSurvivesARestart();
    void failedWritesChangeNothing();
    void damagedOrHostileFilesGiveAnEmptyStore();
    void fullDiskKeepsTheStore();
    void nestingIsLimited();
};

void TestRegistry::keysIgnoreLetterCaseAndKeepTheirSpelling()
{
    MemoryRegistryStore store;
    QVERIFY(store.setValue(RegistryRoot::CurrentUser, "Software\\Quorrel Lab\\Priomat", "Title",
                           RegistryValue::fromString("Priomat")));
    QVERIFY(store.keyExists(RegistryRoot::CurrentUser, "SOFTWARE\\quorrel lab\\PRIOMAT"));
    QCOMPARE(store.value(RegistryRoot::CurrentUser, "software\\QUORREL LAB\\priomat", "TITLE")->text,
             QStringLiteral("Priomat"));
    QCOMPARE(store.subkeys(RegistryRoot::CurrentUser, "software"), QStringList{"Quorrel Lab"});
    QVERIFY(!store.keyExists(RegistryRoot::LocalMachine, "Software\\Quorrel Lab"));
    // The default value has the empty name.
    QVERIFY(store.setValue(RegistryRoot::ClassesRoot, ".ahp", "", RegistryValue::fromString("AHPFile")));
    QCOMPARE(store.value(RegistryRoot::ClassesRoot, ".AHP", "")->text, QStringLiteral("AHPFile"));
    QVERIFY(!store.value(RegistryRoot::ClassesRoot, ".ahp", "x"));
}

void TestRegistry::valueKindsStayApart()
{
    MemoryRegistryStore store;
    store.setValue(RegistryRoot::CurrentUser, "K", "s", RegistryValue::fromString("5"));
    store.setValue(RegistryRoot::CurrentUser, "K", "i", RegistryValue::fromInteger(5));
    store.setValue(RegistryRoot::CurrentUser, "K", "b", RegistryValue::fromBinary(QByteArray("\x05", 1)));
    QCOMPARE(store.value(RegistryRoot::CurrentUser, "K", "s")->kind, RegistryValue::Kind::String);
    QCOMPARE(store.value(RegistryRoot::CurrentUser, "K", "i")->kind, RegistryValue::Kind::Integer);
    QCOMPARE(store.value(RegistryRoot::CurrentUser, "K", "b")->kind, RegistryValue::Kind::Binary);
    QCOMPARE(store.valueNames(RegistryRoot::CurrentUser, "K"), (QStringList{"b", "i", "s"}));
}

void TestRegistry::deleteRemovesTheWholeSubtree()
{
    MemoryRegistryStore store;
    store.setValue(RegistryRoot::CurrentUser, "A\\B\\C", "v", RegistryValue::fromInteger(1));
    store.setValue(RegistryRoot::CurrentUser, "A\\D", "v", RegistryValue::fromInteger(2));
    QVERIFY(store.deleteKey(RegistryRoot::CurrentUser, "a\\b"));
    QVERIFY(!store.keyExists(RegistryRoot::CurrentUser, "A\\B\\C"));
    QVERIFY(store.keyExists(RegistryRoot::CurrentUser, "A\\D"));
    QVERIFY(!store.deleteKey(RegistryRoot::CurrentUser, "A\\B"));
    QVERIFY(!store.deleteKey(RegistryRoot::CurrentUser, "")); // a root stays
}

void TestRegistry::fileStoreSurvivesARestart()
{
    TestEnvironment environment;
    const QString path = FileRegistryStore::defaultPath();
    QVERIFY(path.startsWith(environment.home()));
    {
        FileRegistryStore store(path);
        QVERIFY(store.setValue(RegistryRoot::CurrentUser, "Software\\X", "Name",
                               RegistryValue::fromString(QString::fromUtf8("日本語"))));
        QVERIFY(store.setValue(RegistryRoot::CurrentUser, "Software\\X", "Count",
                               RegistryValue::fromInteger(0xFFFFFFFFu)));
        QVERIFY(store.setValue(RegistryRoot::LocalMachine, "Y", "Bytes",
                               RegistryValue::fromBinary(QByteArray("\0\x01\xFF", 3))));
    }
    FileRegistryStore again(path);
    QCOMPARE(again.value(RegistryRoot::CurrentUser, "software\\x", "name")->text, QString::fromUtf8("日本語"));
    QCOMPARE(again.value(RegistryRoot::CurrentUser, "Software\\X", "Count")->integer, 0xFFFFFFFFu);
    QCOMPARE(again.value(RegistryRoot::LocalMachine, "Y", "Bytes")->bytes, QByteArray("\0\x01\xFF", 3));
    QVERIFY(again.deleteKey(RegistryRoot::CurrentUser, "Software\\X"));
    QVERIFY(!FileRegistryStore(path).keyExists(RegistryRoot::CurrentUser, "Software\\X"));
}

void TestRegistry::failedWritesChangeNothing()
{
    MemoryRegistryStore store;
    store.setValue(RegistryRoot::CurrentUser, "K", "v", RegistryValue::fromInteger(1));
    store.setFailWrites(true);
    QVERIFY(!store.setValue(RegistryRoot::CurrentUser, "K", "v", RegistryValue::fromInteger(2)));
    QVERIFY(!store.setValue(RegistryRoot::CurrentUser, "New", "v", RegistryValue::fromInteger(2)));
    QVERIFY(!store.deleteKey(RegistryRoot::CurrentUser, "K"));
    QCOMPARE(store.value(RegistryRoot::CurrentUser, "K", "v")->integer, 1u);
    QVERIFY(!store.keyExists(RegistryRoot::CurrentUser, "New"));

    // A file store whose folder cannot be created fails the same way.
    TestEnvironment environment;
    QFile blocker(environment.path("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    FileRegistryStore fileStore(environment.path("blocker/registry.json"));
    QVERIFY(!fileStore.setValue(RegistryRoot::CurrentUser, "K", "v", RegistryValue::fromInteger(1)));
    QVERIFY(!fileStore.keyExists(RegistryRoot::CurrentUser, "K"));
}

void TestRegistry::damagedOrHostileFilesGiveAnEmptyStore()
{
    TestEnvironment environment;
    const QList<QByteArray> contents{
        QByteArray("not json at all \xFF\xFE"),
        QByteArray("{\"format\":\"something else\"}"),
        QByteArray(100000, '[') + QByteArray(100000, ']'),
        QByteArray("{\"format\":\"priomat-registry\",\"roots\":{\"HKEY_CURRENT_USER\":"
                   "{\"values\":[{\"name\":\"v\",\"type\":\"integer\",\"data\":-1},"
                   "{\"name\":\"w\",\"type\":\"binary\",\"data\":\"!!\"},"
                   "{\"name\":\"ok\",\"type\":\"string\",\"data\":\"yes\"}],"
                   "\"keys\":[{\"name\":\"a\\\\b\"},{\"name\":\"\"},{\"name\":\"K\"}]}}}"),
    };
    for (const QByteArray &content : contents) {
        const QString path = environment.path("registry.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        FileRegistryStore store(path);
        // Kept aside whole, replacing the one kept before, and reported.
        QCOMPARE(store.loadProblem().kind, StoredFileProblem::Kind::Damaged);
        QCOMPARE(store.loadProblem().keptAs, path + ".damaged");
        QCOMPARE(readBytes(path + ".damaged"), content);
        QVERIFY(!store.value(RegistryRoot::CurrentUser, "", "v"));
        QVERIFY(!store.value(RegistryRoot::CurrentUser, "", "w"));
        QVERIFY(!store.keyExists(RegistryRoot::CurrentUser, "a"));
        QVERIFY(store.setValue(RegistryRoot::CurrentUser, "Z", "v", RegistryValue::fromInteger(3)));
        QCOMPARE(FileRegistryStore(path).value(RegistryRoot::CurrentUser, "Z", "v")->integer, 3u);
    }
    // The well-formed parts of the last file were kept, and the file written since is sound.
    FileRegistryStore store(environment.path("registry.json"));
    QCOMPARE(store.loadProblem().kind, StoredFileProblem::Kind::None);
    QCOMPARE(store.value(RegistryRoot::CurrentUser, "", "ok")->text, QStringLiteral("yes"));
    QVERIFY(store.keyExists(RegistryRoot::CurrentUser, "K"));

    // A store that cannot be read at all is never written over.
    QDir().mkpath(environment.path("folder/registry.json"));
    FileRegistryStore folder(environment.path("folder/registry.json"));
    QCOMPARE(folder.loadProblem().kind, StoredFileProblem::Kind::Unreadable);
    QVERIFY(!folder.setValue(RegistryRoot::CurrentUser, "Z", "v", RegistryValue::fromInteger(3)));
    QVERIFY(QFileInfo(environment.path("folder/registry.json")).isDir());
}

void TestRegistry::fullDiskKeepsTheStore()
{
    SmallTmpfs disk(32);
    if (!disk.mounted())
        QSKIP(qPrintable(disk.skipReason));
    const QString path = disk.path("registry.json");
    FileRegistryStore store(path);
    QVERIFY(store.setValue(RegistryRoot::CurrentUser, "Software\\X", "v", RegistryValue::fromInteger(1)));
    const QByteArray before = readBytes(path);
    disk.fill();
    const QString big(8000, u'x');
    QVERIFY(!store.setValue(RegistryRoot::CurrentUser, "Software\\X", "w", RegistryValue::fromString(big)));
    QVERIFY(!store.value(RegistryRoot::CurrentUser, "Software\\X", "w"));
    QCOMPARE(readBytes(path), before);
    QCOMPARE(disk.entries(), QStringList{"registry.json"});

    // When nothing is left in it, the store takes its file away.
    QFile::remove(disk.path("filler"));
    store.removeWhenEmpty();
    QVERIFY(QFile::exists(path));
    QVERIFY(store.deleteKey(RegistryRoot::CurrentUser, "Software"));
    store.removeWhenEmpty();
    QVERIFY(!QFile::exists(path));
}

void TestRegistry::nestingIsLimited()
{
    MemoryRegistryStore store;
    QStringList parts;
    for (int i = 0; i < 600; ++i)
        parts.append("k");
    QVERIFY(!store.setValue(RegistryRoot::CurrentUser, parts.join('\\'), "v", RegistryValue::fromInteger(1)));
    parts.resize(500);
    QVERIFY(store.setValue(RegistryRoot::CurrentUser, parts.join('\\'), "v", RegistryValue::fromInteger(1)));
    QVERIFY(!store.toJson().isEmpty());
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
