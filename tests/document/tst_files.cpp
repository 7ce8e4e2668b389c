// Reading files in their encoding, atomic writing, and installing a parsed file as a document.
#include "DocumentBuilder.h"
#include "document/DocumentFile.h"
#include "document/TextFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QDir>
#include <QTest>

#include "TestFiles.h"

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

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
