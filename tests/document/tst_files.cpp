// Reading files in their encoding, atomic writing, and installing a parsed file as a document.
#include "DocumentBuilder.h"
#include "document/DocumentFile.h"
#include "document/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QDir>
#include <QTest>

#include "SmallTmpfs.h"
#include "TestFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace priomat;
using namespace priomat::test;

namespace {

const QByteArray Header = "Priomat - Data File\r\n";

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void decodesUtf8AndCp932();
    void lineEndsNulAndByteOrderMark();
    void textLinesSplitLikeAMemo();
    void savesInTheEncodingItWasRead();
    void writingIsAtomic();
    void savesKeepOwnerModeAndLinks();
    void windowReadsRegularFilesOnly();
    void failedFlushIsAnError();
    void fullDiskKeepsTheOldFile();
    void specialAndProtectedTargets();
    void readStatuses();
    void installReplacesDocument();
    void installWithoutTreeGivesDefaultRootAndAsksRecovery();
    void installWithoutEntriesNeverAsks();
};

void TestFiles::decodesUtf8AndCp932()
{
    const QString caption = QString::fromUtf8("根幹の要求ソ");
    const DecodedText utf8 = DecodeTextLines(caption.toUtf8() + "\r\n");
    QCOMPARE(utf8.encoding, TextEncoding::Utf8);
    QCOMPARE(utf8.lines, QStringList{caption});

    QStringEncoder encoder("windows-31j");
    const QByteArray sjis = encoder.encode(caption + "\r\nx");
    QVERIFY(!encoder.hasError());
    const DecodedText cp932 = DecodeTextLines(sjis);
    QCOMPARE(cp932.encoding, TextEncoding::Cp932);
    QCOMPARE(cp932.lines, (QStringList{caption, "x"}));
}

void TestFiles::lineEndsNulAndByteOrderMark()
{
    QCOMPARE(DecodeTextLines("a\r\nb\rc\nd").lines, (QStringList{"a", "b", "c", "d"}));
    QCOMPARE(DecodeTextLines("a\r\nb\0c\r\nd").lines, (QStringList{"a", "b"}));
    QCOMPARE(DecodeTextLines(QByteArray("a\r\nb\0c", 6)).lines, (QStringList{"a", "b"}));
    QCOMPARE(DecodeTextLines("\xEF\xBB\xBFPriomat - Data File\r\n").lines,
             QStringList{"Priomat - Data File"});
    QCOMPARE(DecodeTextLines(QByteArray()).lines, QStringList());
}

void TestFiles::textLinesSplitLikeAMemo()
{
    QCOMPARE(splitTextLines(QString()), QStringList());
    QCOMPARE(splitTextLines("a"), QStringList{"a"});
    QCOMPARE(splitTextLines("a\r\n"), QStringList{"a"});
    QCOMPARE(splitTextLines("a\r\nb\rc\nd"), (QStringList{"a", "b", "c", "d"}));
    QCOMPARE(splitTextLines("\n"), QStringList{""});
    QCOMPARE(splitTextLines("a\n\nb"), (QStringList{"a", "", "b"}));
}

void TestFiles::savesInTheEncodingItWasRead()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("doc.ahp");
    Document document;
    buildTree(document.tree, {"価格", " 品質"});
    QCOMPARE(SaveDataFile(path, document, TextEncoding::Cp932), TextEncoding::Cp932);
    QByteArray bytes = readBytes(path);
    QVERIFY(bytes.startsWith(Header));
    QVERIFY(bytes.endsWith("[AlternativesComparison]\r\n"));
    QCOMPARE(ReadTextFile(path).encoding, TextEncoding::Cp932);
    QCOMPARE(ReadTextFile(path).lines.at(3), QString::fromUtf8("価格"));

    // A character that CP932 cannot hold turns the file into UTF-8 rather than losing it.
    document.tree.root()->setCaption(QString::fromUtf8("価格 😀"));
    QCOMPARE(SaveDataFile(path, document, TextEncoding::Cp932), TextEncoding::Utf8);
    QCOMPARE(ReadTextFile(path).lines.at(3), QString::fromUtf8("価格 😀"));
    QCOMPARE(SaveDataFile(path, document), TextEncoding::Utf8);

    // Half-width katakana whose CP932 bytes are valid UTF-8 (C3 A9) would read back as "é".
    buildTree(document.tree, {"ﾃｩ"});
    QCOMPARE(SaveDataFile(path, document, TextEncoding::Cp932), TextEncoding::Utf8);
    QCOMPARE(ReadTextFile(path).lines.at(3), QString::fromUtf8("ﾃｩ"));
}

void TestFiles::writingIsAtomic()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    writeBytes(path, "old content");
    WriteTextLines(path, {"a", "", "b"});
    QCOMPARE(readBytes(path), QByteArray("a\r\n\r\nb\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.txt"});

    // A folder that does not exist cannot be written; nothing is left behind.
    QVERIFY_THROWS_EXCEPTION(FileError, WriteTextLines(dir.filePath("missing/out.txt"), {"a"}));
    try {
        WriteTextLines(dir.filePath("missing/out.txt"), {"a"});
    } catch (const FileError &error) {
        QVERIFY(error.message().contains("missing/out.txt"));
    }
    QCOMPARE(readBytes(path), QByteArray("a\r\n\r\nb\r\n"));
}

void TestFiles::failedFlushIsAnError()
{
    // /dev/full takes bytes into Qt's buffer and fails only when they go out, as a full disk
    // does for a buffered file: the failure must still be seen, with the system's reason.
    QFile full("/dev/full");
    if (!full.open(QIODevice::WriteOnly))
        QSKIP("no /dev/full here");
    try {
        WriteWholeFile(full, "report.txt", "a few bytes");
        QFAIL("a write to /dev/full was taken as done");
    } catch (const FileError &error) {
        QVERIFY2(error.message().contains("report.txt"), qPrintable(error.message()));
        QVERIFY2(error.message().contains("No space left on device"), qPrintable(error.message()));
    }
    QVERIFY_THROWS_EXCEPTION(FileError, WriteFileAtomically("/dev/full", "x"));
}

void TestFiles::fullDiskKeepsTheOldFile()
{
    SmallTmpfs disk(64);
    if (!disk.mounted())
        QSKIP(qPrintable(disk.skipReason));
    const QString path = disk.path("doc.ahp");
    Document document;
    document.reset();
    for (int i = 0; i < 1000; ++i)
        document.alternativesLines.append(QStringLiteral("Alternative %1").arg(i));
    const QByteArray old = Header + "[Tree]\r\nGoal\r\n";
    writeBytes(path, old);

    // No free page at all, then one free page for a document of about 16 KB.
    for (const qint64 free : {qint64(0), qint64(4096)}) {
        disk.fill(free);
        try {
            SaveDataFile(path, document);
            QFAIL("a save onto a full disk was reported as done");
        } catch (const FileError &error) {
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
            QVERIFY2(error.message().contains("No space left on device"), qPrintable(error.message()));
        }
        QCOMPARE(readBytes(path), old);
        QCOMPARE(disk.entries(), QStringList{"doc.ahp"});
        QFile::remove(disk.path("filler"));
    }
    // Written in place (a second link): the same, and the backup is gone again.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(disk.path("link.ahp")).constData()), 0);
    disk.fill(4096);
    QVERIFY_THROWS_EXCEPTION(FileError, SaveDataFile(path, document));
    QCOMPARE(readBytes(disk.path("link.ahp")), old);
    QCOMPARE(QDir(state.filePath("priomat/backup")).entryList(QDir::Files).size(), 0);
    QFile::remove(disk.path("filler"));
    QFile::remove(disk.path("link.ahp"));
    SaveDataFile(path, document);
    QCOMPARE(ReadDataFile(path).parsed.alternatives, document.alternativesLines);
}

void TestFiles::specialAndProtectedTargets()
{
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(FileError, WriteFileAtomically("", "x"));

    // A FIFO is written through and stays a FIFO.
    const QByteArray fifo = QFile::encodeName(dir.filePath("fifo"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    WriteFileAtomically(dir.filePath("fifo"), "through the pipe");
    char received[64] = {};
    QCOMPARE(::read(reader, received, sizeof received), qsizetype(16));
    ::close(reader);
    QCOMPARE(QByteArray(received), QByteArray("through the pipe"));
    struct stat info {};
    QCOMPARE(::stat(fifo.constData(), &info), 0);
    QVERIFY(S_ISFIFO(info.st_mode));

    // A character device (a null device of our own, where one may be made) stays one.
    const QByteArray device = QFile::encodeName(dir.filePath("null"));
    if (::mknod(device.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        WriteFileAtomically(dir.filePath("null"), "gone");
        QCOMPARE(::stat(device.constData(), &info), 0);
        QVERIFY(S_ISCHR(info.st_mode));
    }

    // A link keeps pointing at the file, which gets the new content and keeps its mode.
    const QString target = dir.filePath("target.txt");
    writeBytes(target, "old");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    QVERIFY(QFile::link(target, dir.filePath("link.txt")));
    WriteFileAtomically(dir.filePath("link.txt"), "new");
    QVERIFY(QFileInfo(dir.filePath("link.txt")).isSymLink());
    QCOMPARE(readBytes(target), QByteArray("new"));
    QCOMPARE(QFile::permissions(target) & 0x7077,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);

    // A read-only file is refused, also for root, and stays as it was.
    const QString locked = dir.filePath("locked.txt");
    writeBytes(locked, "keep");
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    try {
        WriteFileAtomically(locked, "over");
        QFAIL("a read-only file was replaced");
    } catch (const FileError &error) {
        QVERIFY2(error.message().contains("read-only"), qPrintable(error.message()));
    }
    QCOMPARE(readBytes(locked), QByteArray("keep"));
    QCOMPARE(QFile::permissions(locked) & 0x7077,
             QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    // No temporary file was left anywhere.
    QStringList expected{"fifo", "link.txt", "locked.txt", "target.txt"};
    if (QFileInfo::exists(dir.filePath("null")))
        expected.append("null");
    expected.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name), expected);
}

void TestFiles::readStatuses()
{
    QTemporaryDir dir;
    QCOMPARE(ReadDataFile(dir.filePath("none.ahp")).status, ReadStatus::Missing);
    QCOMPARE(ReadDataFile(dir.path()).status, ReadStatus::Missing);

    writeBytes(dir.filePath("empty.ahp"), QByteArray());
    QCOMPARE(ReadDataFile(dir.filePath("empty.ahp")).status, ReadStatus::Foreign);
    writeBytes(dir.filePath("blank.ahp"), "Priomat - Data File \r\n[Tree]\r\nA\r\n");
    QCOMPARE(ReadDataFile(dir.filePath("blank.ahp")).status, ReadStatus::Foreign);

    writeBytes(dir.filePath("ok.ahp"), Header + "\r\n[Tree]\r\nA\r\n");
    const DataFileRead read = ReadDataFile(dir.filePath("ok.ahp"));
    QCOMPARE(read.status, ReadStatus::Read);
    QCOMPARE(read.parsed.tree.root()->caption(), QStringLiteral("A"));

    if (::geteuid() != 0) { // root reads anything
        const QString locked = dir.filePath("locked.ahp");
        writeBytes(locked, Header);
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        QVERIFY_THROWS_EXCEPTION(FileError, ReadDataFile(locked));
    }

    QCOMPARE(NotADataFileMessage("/x/a.ahp", "Priomat", false),
             QStringLiteral("/x/a.ahp\r\nis not a data file for Priomat."));
    QCOMPARE(NotADataFileMessage("/x/a.ahp", "Priomat", true),
             QString::fromUtf8("/x/a.ahp\r\nは Priomat のデータファイルではありません。"));
}

void TestFiles::installReplacesDocument()
{
    Document document;
    buildTree(document.tree, {"Old", " Child"});
    document.alternativesLines = {"old alternative"};
    addEntries(document.RequirementComparisons, {"X|Y|3"});
    addEntries(document.AlternativeComparisons, {"L|X|Y|3"});

    ParsedDataFile parsed = ParseDataFile(
        {"Priomat - Data File", "[Tree]", "New", " A", " B", "[Alternatives]", "p", "q",
         "[Comparison]", "A\tB\t3", "a\tb\t5", "[AlternativesComparison]", "A\tp\tq\t2"});
    bool asked = false;
    const InstallOutcome outcome =
        InstallParsedDocument(document, std::move(parsed), [&asked] { return asked = true; });
    QVERIFY(!asked);
    QVERIFY(!outcome.treeWasEmpty);
    QCOMPARE(document.tree.topLevelCount(), 1);
    QCOMPARE(document.tree.root()->childCaptions(), (QStringList{"A", "B"}));
    QCOMPARE(document.alternativesLines, (QStringList{"p", "q"}));
    QCOMPARE(document.RequirementComparisons.size(), 2);
    QCOMPARE(*document.RequirementComparisons.value("A\tB"), QStringLiteral("3"));
    QVERIFY(!document.RequirementComparisons.value("X\tY"));
    QCOMPARE(*document.AlternativeComparisons.value("a\tP\tQ"), QStringLiteral("2"));
    QVERIFY(!document.AlternativeComparisons.value("L\tX\tY"));
}

void TestFiles::installWithoutTreeGivesDefaultRootAndAsksRecovery()
{
    const QStringList file{"Priomat - Data File", "[Alternatives]", "x", "[Comparison]",
                           "A\tB\t3", "[AlternativesComparison]", "L\tx\ty\t5"};
    for (bool answer : {true, false}) {
        Document document;
        buildTree(document.tree, {"Old"});
        int asked = 0;
        const InstallOutcome outcome = InstallParsedDocument(document, ParseDataFile(file),
                                                             [&] { ++asked; return answer; });
        QCOMPARE(asked, 1);
        QVERIFY(outcome.treeWasEmpty);
        QCOMPARE(outcome.recovered, answer);
        QCOMPARE(document.tree.root()->caption(), DefaultRootCaption);
        QCOMPARE(document.tree.root()->childCaptions(),
                 (answer ? QStringList{"A", "B", "L"} : QStringList{}));
        // The entries and alternatives read are kept either way.
        QCOMPARE(document.alternativesLines, QStringList{"x"});
        QCOMPARE(document.RequirementComparisons.size(), 1);
        QCOMPARE(document.AlternativeComparisons.size(), 1);
    }
}

void TestFiles::installWithoutEntriesNeverAsks()
{
    Document document;
    bool asked = false;
    const InstallOutcome outcome = InstallParsedDocument(
        document, ParseDataFile({"Priomat - Data File"}), [&asked] { return asked = true; });
    QVERIFY(!asked);
    QVERIFY(outcome.treeWasEmpty);
    QCOMPARE(document.tree.topLevelCount(), 1);
    QVERIFY(!document.tree.root()->hasChildren());
    QVERIFY(document.alternativesLines.isEmpty());
}

void TestFiles::savesKeepOwnerModeAndLinks()
{
    QTemporaryDir dir;
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath("state")));
    // A 255-byte name is created and replaced; no temporary file is left.
    const QString longName = dir.filePath(QString(251, u'n') + QStringLiteral(".ahp"));
    WriteFileAtomically(longName, "one");
    WriteFileAtomically(longName, "two");
    QCOMPARE(readBytes(longName), QByteArray("two"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A second hard link sees the new content.
    const QString linked = dir.filePath("linked.ahp");
    const QString other = dir.filePath("other.ahp");
    writeBytes(linked, "old content, longer than the new");
    QCOMPARE(::link(QFile::encodeName(linked).constData(), QFile::encodeName(other).constData()), 0);
    WriteFileAtomically(linked, "new");
    QCOMPARE(readBytes(other), QByteArray("new"));
    // The backup made before writing in place is gone once the write succeeded.
    QCOMPARE(QDir(dir.filePath("state/priomat/backup")).entryList(QDir::Files).size(), 0);

    if (::geteuid() != 0)
        QSKIP("Saving over another user's file needs root.");
    // Root saving another user's file: owner, group, mode (setuid and sticky) and the link stay.
    const QByteArray name = QFile::encodeName(linked);
    QCOMPARE(::chown(name.constData(), 4242, 4343), 0);
    QCOMPARE(::chmod(name.constData(), 05640), 0);
    WriteFileAtomically(linked, "root's save");
    QCOMPARE(::unlink(QFile::encodeName(other).constData()), 0);
    WriteFileAtomically(linked, "root's second save"); // now replaced, no longer linked
    struct stat info {};
    QCOMPARE(::stat(name.constData(), &info), 0);
    QCOMPARE(info.st_uid, uid_t(4242));
    QCOMPARE(info.st_gid, gid_t(4343));
    QCOMPARE(info.st_mode & 07777, mode_t(05640));
    QCOMPARE(readBytes(linked), QByteArray("root's second save"));
    QCOMPARE(::link(name.constData(), QFile::encodeName(other).constData()), 0);
    WriteFileAtomically(linked, "third");
    QCOMPARE(readBytes(other), QByteArray("third"));
    QCOMPARE(::stat(QFile::encodeName(other).constData(), &info), 0);
    QCOMPARE(info.st_uid, uid_t(4242));
    QCOMPARE(info.st_mode & 07777, mode_t(05640));
}

void TestFiles::windowReadsRegularFilesOnly()
{
    // A FIFO without a writer is refused at once, never waited on; so is a device.
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &path : {fifo, QStringLiteral("/dev/zero")}) {
        try {
            ReadDataFile(path);
            QFAIL("not a regular file, and read");
        } catch (const FileError &error) {
            QVERIFY2(error.message().contains("not a file"), qPrintable(error.message()));
        }
    }
}

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
