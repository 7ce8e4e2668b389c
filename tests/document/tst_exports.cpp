// The CSV export and the result text lines.
#include "model/ComputationError.h"
#include "document/CsvExport.h"
#include "DocumentBuilder.h"
#include "document/DocumentFile.h"
#include "model/Evaluation.h"
#include "model/Priorities.h"
#include "document/ResultText.h"

#include <QFile>
#include <QTest>

using namespace priomat;
using namespace priomat::test;

namespace {

// Loads a file and computes as the program does after a load with automatic calculation on.
void loadAndCompute(const QString &path, Document &document, ResultLists &results, bool automatic)
{
    DataFileRead read = ReadDataFile(path);
    QCOMPARE(read.status, ReadStatus::Read);
    InstallParsedDocument(document, std::move(read.parsed), [] { return true; });
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    Recalculate(document, results, {.force = false, .automatic = automatic, .loading = false});
}

QStringList csvOf(std::initializer_list<const char *> outline, const QStringList &alternatives,
                  bool evaluate = true)
{
    Document document;
    buildTree(document.tree, outline);
    document.alternativesLines = alternatives;
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    ResultLists results;
    Recalculate(document, results, {.force = false, .automatic = evaluate, .loading = false});
    return BuildCsvLines(document, results);
}

} // namespace

class TestExports : public QObject
{
    Q_OBJECT

private slots:
    void workedExampleByteForByte();
    void withoutCalculationTheResultsAreMissing();
    void rootWithoutChildren();
    void alternativesSectionPresence();
    void singleAlternative();
    void leafCaptionWithBlanks();
    void outlineOfSeveralTopLevelNodes();
    void unreadableValueStopsTheExport();
    void resultTextLines();
    void namesWithCommasQuotesOrLineBreaksAreQuoted();
};

void TestExports::workedExampleByteForByte()
{
    Document document;
    ResultLists results;
    loadAndCompute(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp", document, results, true);
    QFile expected(PRIOMAT_SOURCE_DIR "/tests/data/choose-a-car.csv");
    QVERIFY(expected.open(QIODevice::ReadOnly));
    const QByteArray csv = EncodeTextLines(BuildCsvLines(document, results), TextEncoding::Utf8);
    QCOMPARE(csv, expected.readAll());
    // Exporting twice gives the same lines.
    QCOMPARE(EncodeTextLines(BuildCsvLines(document, results), TextEncoding::Utf8), csv);
    QCOMPARE(results.alternatives.size(), 2);
    QCOMPARE(results.alternatives[0].name + '\t' + results.alternatives[0].text(), "Car A\t0.270833333333333");
    QCOMPARE(results.alternatives[1].name + '\t' + results.alternatives[1].text(), "Car B\t0.729166666666667");
}

void TestExports::withoutCalculationTheResultsAreMissing()
{
    Document document;
    ResultLists results;
    loadAndCompute(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp", document, results, false);
    const QStringList lines = BuildCsvLines(document, results);
    QVERIFY(!lines.contains("[Alternatives]"));
    QCOMPARE(lines.last(), QStringLiteral("Car B,-,1,0.5"));
}

void TestExports::rootWithoutChildren()
{
    QCOMPARE(csvOf({"Goal"}, {"a", "b"}),
             (QStringList{"[Requirement Tree]", "Goal", "", "[Requirement Comparison]", "",
                          "[Alternatives Comparison]", "Goal,a,b,Weight", "a,1,-,0.5",
                          "b,-,1,0.5", "", "[Alternatives]", "a,0.5", "b,0.5"}));
}

void TestExports::alternativesSectionPresence()
{
    const QStringList none = csvOf({"Goal", " A", " B"}, {});
    QVERIFY(!none.contains("[Alternatives Comparison]"));
    QVERIFY(!none.contains("[Alternatives]"));
    QCOMPARE(none.last(), QStringLiteral("B,-,1,0.5,0.5"));

    // Blank lines only: the section is there, each leaf block is its header alone.
    const QStringList blank = csvOf({"Goal", " A", " B"}, {"", "  "});
    const qsizetype at = blank.indexOf("[Alternatives Comparison]");
    QVERIFY(at > 0);
    QCOMPARE(blank.mid(at + 1), (QStringList{"A,Weight", "", "B,Weight"}));
}

void TestExports::singleAlternative()
{
    const QStringList lines = csvOf({"Goal", " A", " B"}, {"only"});
    const qsizetype at = lines.indexOf("[Alternatives Comparison]");
    QCOMPARE(lines.mid(at + 1),
             (QStringList{"A,only,Weight", "only,1,1", "", "B,only,Weight", "only,1,1", "",
                          "[Alternatives]", "only,1"}));
}

void TestExports::leafCaptionWithBlanks()
{
    Document document;
    buildTree(document.tree, {"Goal", " Price"});
    document.tree.root()->child(0)->setCaption(" Price ");
    document.alternativesLines = {"a", "b"};
    addEntries(document.AlternativeComparisons, {"Price|a|b|1/4"});
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    const QStringList lines = BuildCsvLines(document, ResultLists());
    const qsizetype at = lines.indexOf("[Alternatives Comparison]");
    QCOMPARE(lines.at(at + 1), QStringLiteral(" Price ,a,b,Weight"));
    QVERIFY(lines.at(at + 2).startsWith("a,1,0.25,"));
    QCOMPARE(lines.first(2), (QStringList{"[Requirement Tree]", "Goal, Price "}));
}

void TestExports::outlineOfSeveralTopLevelNodes()
{
    const QStringList lines =
        csvOf({"Goal", " A", "  A1", "  A2", " B", "Second", " S1", " S2"}, {"x"});
    QCOMPARE(lines.mid(0, 6), (QStringList{"[Requirement Tree]", "Goal,A,A1", ",,A2", ",B",
                                           "Second,S1", ",S2"}));
    // Every node with children has a block, the second top-level node too (its weights were
    // never computed, since only the root's subtree is).
    const qsizetype at = lines.indexOf("[Requirement Comparison]");
    QCOMPARE(lines.mid(at + 1, 12),
             (QStringList{"Goal,A,B,Weight,Total Weight", "A,1,-,0.5,0.5", "B,-,1,0.5,0.5", "",
                          "A,A1,A2,Weight,Total Weight", "A1,1,-,0.5,0.25", "A2,-,1,0.5,0.25", "",
                          "Second,S1,S2,Weight,Total Weight", "S1,1,-,0,0", "S2,-,1,0,0", ""}));
    QVERIFY(lines.contains("S2,x,Weight"));
}

void TestExports::unreadableValueStopsTheExport()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", " B"});
    addEntries(document.RequirementComparisons, {"A|B|2/3"});
    try {
        BuildCsvLines(document, ResultLists());
        QFAIL("no error");
    } catch (const ComputationError &error) {
        QCOMPARE(error.valueText(), QStringLiteral("2/3"));
        QCOMPARE(error.owner(), QStringLiteral("Goal"));
    }

    // A 0 is written as a number in the matrix but breaks the alternatives' weights.
    Document zero;
    buildTree(zero.tree, {"Goal"});
    zero.alternativesLines = {"a", "b"};
    addEntries(zero.AlternativeComparisons, {"Goal|a|b|0"});
    QVERIFY_THROWS_EXCEPTION(ComputationError, BuildCsvLines(zero, ResultLists()));
}

void TestExports::resultTextLines()
{
    ResultLists results;
    results.requirements = {{"Cost", 0.6}, {"Comfort", 0.4}};
    results.alternatives = {{"Car A", 0.55}, {"Car B", 0.45}};
    QCOMPARE(BuildResultTextLines(results),
             (QStringList{"[Requirements]", "Cost\t0.6", "Comfort\t0.4", "", "[Alternatives]",
                          "Car A\t0.55", "Car B\t0.45"}));
    results.alternatives.clear();
    QCOMPARE(BuildResultTextLines(results).last(), QStringLiteral("[Alternatives]"));
    QCOMPARE(BuildResultTextLines(ResultLists()),
             (QStringList{"[Requirements]", "", "[Alternatives]"}));
}

void TestExports::namesWithCommasQuotesOrLineBreaksAreQuoted()
{
    const QStringList lines =
        csvOf({"車を選ぶ, \"比較\"", " Cost\nper year", " Say \"hi\""}, {"Car, A", "Car B"});
    const QString root = "\"車を選ぶ, \"\"比較\"\"\"";
    QCOMPARE(lines.mid(1, 2), (QStringList{root + ",\"Cost\nper year\"", ",\"Say \"\"hi\"\"\""}));
    QVERIFY(lines.contains(root + ",\"Cost\nper year\",\"Say \"\"hi\"\"\",Weight,Total Weight"));
    QVERIFY(lines.contains("\"Cost\nper year\",1,-,0.5,0.5"));
    QVERIFY(lines.contains("\"Say \"\"hi\"\"\",\"Car, A\",Car B,Weight"));
    QVERIFY(lines.contains("\"Car, A\",1,-,0.5"));
    QCOMPARE(lines.last(2), (QStringList{"\"Car, A\",0.5", "Car B,0.5"}));
}

QTEST_GUILESS_MAIN(TestExports)
#include "tst_exports.moc"
