// priomat-cli report: the HTML and the PDF hold what the evaluation prints, wide matrices are
// split without losing a column, and a failed write leaves nothing behind.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "ProcessRun.h"
#include "SmallTmpfs.h"
#include "TestFiles.h"

using namespace priomat::test;

namespace {

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return FinishProcess(process, 120000);
}

const QString Office = QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/new-office.ahp");

// Every name and every number priomat-cli evaluate prints, and every requirement of the tree.
QStringList evaluatedWords(const QString &file)
{
    const Run evaluate = run(PRIOMAT_CLI, {"evaluate", file});
    QStringList words;
    for (const QString &line : QString::fromUtf8(evaluate.out).split(QStringLiteral("\r\n"))) {
        if (line.contains(u'\t'))
            words << line.split(u'\t');
    }
    const QStringList lines = QString::fromUtf8(readBytes(file)).split(QStringLiteral("\r\n"));
    for (qsizetype i = lines.indexOf(QStringLiteral("[Tree]")) + 1; i < lines.size() && !lines.at(i).isEmpty(); ++i)
        words << lines.at(i).trimmed();
    return words;
}

QString collapsed(const QString &text)
{
    return QString(text).replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
}

// The PDF's text as pdftotext reads it, each run of white space one blank.
QString pdfText(const QString &pdf)
{
    const Run text = run(QStandardPaths::findExecutable("pdftotext"), {"-raw", pdf, "-"});
    return collapsed(QString::fromUtf8(text.out));
}

// One leaf under the root and 40 alternatives, no pair entered.
QByteArray wideDocument()
{
    QByteArray text = "Priomat - Data File\r\n\r\n[Tree]\r\nGoal\r\n Only\r\n\r\n[Alternatives]\r\n";
    for (int k = 1; k <= 40; ++k)
        text += "Alt " + QByteArray::number(k).rightJustified(2, '0') + "\r\n";
    return text;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void htmlHoldsEveryEvaluatedNumber();
    void pdfTextHoldsEveryEvaluatedNumber();
    void wideMatrixKeepsEveryColumn();
    void failedWriteLeavesNothing();
};

void TestReport::htmlHoldsEveryEvaluatedNumber()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("office.html");
    const Run report = run(PRIOMAT_CLI, {"report", Office, "-o", out, "--lang", "en"});
    QCOMPARE(report.exitCode, 0);
    QVERIFY(report.err.isEmpty());
    const QString html = QString::fromUtf8(readBytes(out));
    QVERIFY(html.contains(QStringLiteral("<svg")));
    QVERIFY(!html.contains(QStringLiteral("src=")) && !html.contains(QStringLiteral("<link")));
    const QStringList words = evaluatedWords(Office);
    QVERIFY(words.size() > 20);
    for (const QString &word : words)
        QVERIFY2(html.contains(word.toHtmlEscaped()), qPrintable(word));
}

void TestReport::pdfTextHoldsEveryEvaluatedNumber()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString out = dir.filePath("office.pdf");
    const Run report = run(PRIOMAT_CLI, {"report", Office, "-o", out, "--lang", "ja"});
    QCOMPARE(report.exitCode, 0);
    QVERIFY(readBytes(out).startsWith("%PDF-"));
    const QString text = pdfText(out);
    QVERIFY(text.contains(QStringLiteral("概要")));
    for (const QString &word : evaluatedWords(Office))
        QVERIFY2(text.contains(collapsed(word)), qPrintable(word));
}

void TestReport::wideMatrixKeepsEveryColumn()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString in = dir.filePath("wide.ahp");
    writeBytes(in, wideDocument());
    const QString out = dir.filePath("wide.pdf");
    QCOMPARE(run(PRIOMAT_CLI, {"report", in, "-o", out, "--lang", "en"}).exitCode, 0);
    const Run text = run(QStandardPaths::findExecutable("pdftotext"), {"-raw", out, "-"});
    // Header lines name the columns (1) … (40) only; together they name every one.
    const QRegularExpression header(QStringLiteral("^\\(\\d+\\)( \\(\\d+\\))*( Weight)?$"));
    QSet<QString> columns;
    int rows = 0;
    for (const QString &line : QString::fromUtf8(text.out).split(u'\n')) {
        if (header.match(line).hasMatch()) {
            for (const QRegularExpressionMatch &name : QRegularExpression(QStringLiteral("\\(\\d+\\)")).globalMatch(line))
                columns.insert(name.captured());
        } else if (line.contains(QStringLiteral(") Alt ")))
            ++rows;
    }
    QVERIFY(QString::fromUtf8(text.out).contains(QStringLiteral("Columns 1")));
    QCOMPARE(columns.size(), 40);
    QVERIFY(rows >= 80); // every row label with every block, two blocks at least
    QVERIFY(QString::fromUtf8(text.out).contains(QRegularExpression(QStringLiteral("(^|\\s)Weight\n"))));
}

void TestReport::failedWriteLeavesNothing()
{
    QTemporaryDir dir;
    const Run missing = run(PRIOMAT_CLI, {"report", Office, "-o", dir.filePath("no/such/folder/r.pdf")});
    QCOMPARE(missing.exitCode, 2);
    QVERIFY(missing.err.startsWith("priomat-cli: "));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

    SmallTmpfs disk(64);
    if (!disk.mounted())
        QSKIP(qPrintable(disk.skipReason));
    for (const char *name : {"out.pdf", "out.html"}) {
        const QString out = disk.path(name);
        writeBytes(out, "previous");
        disk.fill();
        QCOMPARE(run(PRIOMAT_CLI, {"report", Office, "-o", out}).exitCode, 2);
        QCOMPARE(readBytes(out), QByteArray("previous"));
        QCOMPARE(disk.entries(), QStringList{QString::fromLatin1(name)});
        QFile::remove(out);
        QFile::remove(disk.path("filler"));
    }
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
