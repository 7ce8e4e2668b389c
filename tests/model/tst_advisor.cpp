// The consistency advisor's suggestions and the completion from entered pairs.
#include "DocumentBuilder.h"
#include "model/ComparisonValue.h"
#include "model/ConsistencyAdvisor.h"
#include "model/Priorities.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <cmath>

using namespace priomat;
using namespace priomat::test;

namespace {

const QStringList Four{"A", "B", "C", "D"};

// Weights 9 : 3 : 1 : 1, every pair entered with its reciprocal, B against C flipped.
void addFlippedFourByFour(ComparisonTable &table)
{
    addEntries(table, {"A|B|3", "B|A|1/3", "A|C|9", "C|A|1/9", "A|D|9", "D|A|1/9", "B|C|1/3", "C|B|3",
                       "B|D|3", "D|B|1/3", "C|D|1", "D|C|1"});
}

// The index after storing one value (and its reciprocal), as the program computes it.
double indexWith(const ComparisonTable &table, const QStringList &names, int row, int column,
                 const QString &value, bool inverse)
{
    ComparisonTable changed = table;
    changed.store(requirementKey(names[row], names[column]), value);
    if (inverse)
        changed.store(requirementKey(names[column], names[row]), ReciprocalText(value));
    return ComputePriorities(ComparisonMatrix(changed, names)).consistencyIndex;
}

} // namespace

class TestAdvisor : public QObject
{
    Q_OBJECT

private slots:
    void flippedJudgementComesFirst();
    void suggestionsMatchExhaustiveSearch_data();
    void suggestionsMatchExhaustiveSearch();
    void unreadableValueGivesNoSuggestions();
    void completionFromEnteredPairs();
    void disconnectedItemsCompleteNothing();
    void randomIndexFitContinuesSaatysTable();
};

void TestAdvisor::flippedJudgementComesFirst()
{
    ComparisonTable table;
    addFlippedFourByFour(table);
    const ComparisonMatrix matrix(table, Four);
    const AdvisorResult result = AdviseMatrix(matrix, "Goal", true);
    QVERIFY(result.computed);
    QVERIFY(result.consistencyIndex > 0.1);
    QVERIFY(!result.suggestions.empty());
    QVERIFY(result.suggestions.size() <= size_t(AdvisorSuggestionCount));
    const AdvisorSuggestion &first = result.suggestions.front();
    QCOMPARE(Four[first.row] + Four[first.column], QStringLiteral("BC"));
    QCOMPARE(first.value, QStringLiteral("1/3"));
    QCOMPARE(first.suggested, QStringLiteral("3"));
    QCOMPARE(first.reciprocal, QStringLiteral("1/3"));
    QVERIFY(std::abs(first.indexAfter) < 1e-12);
    // Every index after is the program's own, and the list runs from the best.
    double previous = 0.0;
    for (const AdvisorSuggestion &s : result.suggestions) {
        QCOMPARE(s.indexAfter, indexWith(table, Four, s.row, s.column, s.suggested, true));
        QVERIFY(s.indexAfter < result.consistencyIndex);
        QVERIFY(std::abs(s.indexAfter) >= previous);
        previous = std::abs(s.indexAfter);
    }
}

void TestAdvisor::suggestionsMatchExhaustiveSearch_data()
{
    QTest::addColumn<bool>("inverse");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("repeats"); // items named as an earlier item, in other letter case
    QTest::newRow("reciprocal 6") << true << 6 << 0;
    QTest::newRow("reciprocal 11") << true << 11 << 0;
    QTest::newRow("one-sided 7") << false << 7 << 0;
    QTest::newRow("reciprocal 8, repeated names") << true << 8 << 2;
    QTest::newRow("one-sided 7, repeated name") << false << 7 << 1;
}

void TestAdvisor::suggestionsMatchExhaustiveSearch()
{
    // The incremental ranking must find what trying every step of every pair finds.
    QFETCH(bool, inverse);
    QFETCH(int, size);
    QFETCH(int, repeats);
    QRandomGenerator random(size * 31 + inverse + repeats * 7);
    for (int round = 0; round < 5; ++round) {
        QStringList names;
        for (int i = 0; i < size; ++i)
            names.append(QStringLiteral("N%1").arg(i));
        for (int r = 0; r < repeats; ++r)
            names[size - 1 - r] = QStringLiteral("n%1").arg(r); // shares N<r>'s entries
        ComparisonTable table;
        for (int i = 0; i < size; ++i) {
            for (int j = i + 1; j < size; ++j) {
                if (random.bounded(5) == 0)
                    continue; // not entered
                const int position = int(random.bounded(ScaleFirstPosition, ScaleLastPosition + 1));
                table.append(requirementKey(names[i], names[j]), ScaleText(position));
                if (inverse || random.bounded(2))
                    table.append(requirementKey(names[j], names[i]),
                                 inverse ? ScaleReciprocalText(position)
                                         : ScaleText(int(random.bounded(ScaleFirstPosition, ScaleLastPosition + 1))));
            }
        }
        const ComparisonMatrix matrix(table, names);
        const AdvisorResult result = AdviseMatrix(matrix, "Goal", inverse);
        QVERIFY(result.computed);
        double best = std::abs(result.consistencyIndex);
        for (int i = 0; i < size; ++i) {
            for (int j = 0; j < size; ++j) {
                if (i == j || !matrix.entry(i, j) || names[i].compare(names[j], Qt::CaseInsensitive) == 0)
                    continue;
                for (int p = ScaleFirstPosition; p <= ScaleLastPosition; ++p)
                    best = std::min(best, std::abs(indexWith(table, names, i, j, ScaleText(p), inverse)));
            }
        }
        QVERIFY(!result.suggestions.empty());
        // Each index after is that of the document with the suggestion stored, shared rows included.
        for (const AdvisorSuggestion &s : result.suggestions)
            QCOMPARE(s.indexAfter, indexWith(table, names, s.row, s.column, s.suggested, inverse));
        if (repeats > 0) {
            // Completion fills each missing entry once.
            const Completion completion = CompleteFromEntered(matrix, "Goal", inverse);
            QSet<QString> keys;
            for (const CompletionCell &cell : completion.cells) {
                QVERIFY(!matrix.entry(cell.row, cell.column));
                QVERIFY(!keys.contains(requirementKey(names[cell.row], names[cell.column]).toCaseFolded()));
                keys.insert(requirementKey(names[cell.row], names[cell.column]).toCaseFolded());
                if (inverse)
                    keys.insert(requirementKey(names[cell.column], names[cell.row]).toCaseFolded());
            }
        }
        QVERIFY2(std::abs(std::abs(result.suggestions.front().indexAfter) - best) <= 1e-9 * std::max(1.0, best),
                 qPrintable(QStringLiteral("round %1: advisor %2, exhaustive %3")
                                .arg(round)
                                .arg(result.suggestions.front().indexAfter)
                                .arg(best)));
    }
}

void TestAdvisor::unreadableValueGivesNoSuggestions()
{
    ComparisonTable table;
    addFlippedFourByFour(table);
    table.store(requirementKey("C", "D"), "2/3");
    const AdvisorResult result = AdviseMatrix(ComparisonMatrix(table, Four), "Goal", true);
    QVERIFY(!result.computed);
    QVERIFY(result.suggestions.empty());
    QVERIFY(result.unreadable.has_value());
    QCOMPARE(result.unreadable->owner, QStringLiteral("Goal"));
    QCOMPARE(result.unreadable->row + result.unreadable->column, QStringLiteral("CD"));
    QCOMPARE(result.unreadable->text, QStringLiteral("2/3"));

    const Completion completion = CompleteFromEntered(ComparisonMatrix(table, Four), "Goal", true);
    QVERIFY(completion.cells.empty());
    QCOMPARE(completion.unreadable->text, QStringLiteral("2/3"));
}

void TestAdvisor::completionFromEnteredPairs()
{
    for (const bool inverse : {true, false}) {
        ComparisonTable table;
        addEntries(table, {"A|B|2", "B|A|1/2", "B|C|3", "C|B|1/3"});
        const Completion completion = CompleteFromEntered(ComparisonMatrix(table, {"A", "B", "C"}), "Goal", inverse);
        QVERIFY(completion.computed);
        QVERIFY(completion.groups.empty());
        QStringList cells;
        for (const CompletionCell &cell : completion.cells)
            cells.append(QStringLiteral("%1%2=%3/%4").arg(cell.row).arg(cell.column).arg(cell.value, cell.reciprocal));
        // Walked column by column; with Inverse the mirror cell is filled with the first.
        QCOMPARE(cells, inverse ? QStringList({"20=1/6/6"}) : QStringList({"20=1/6/6", "02=6/1/6"}));
    }
    // Inconsistent entered pairs: the least-squares weights, not one path.
    ComparisonTable table;
    addEntries(table, {"A|B|2", "B|C|2", "C|D|2", "A|D|2"});
    const Completion completion = CompleteFromEntered(ComparisonMatrix(table, Four), "Goal", false);
    // The cycle's error is spread over its four pairs: A/C = 2, where the path alone says 4.
    bool found = false;
    for (const CompletionCell &cell : completion.cells) {
        if (cell.row == 0 && cell.column == 2) {
            QCOMPARE(cell.value, QStringLiteral("2"));
            found = true;
        }
    }
    QVERIFY(found);
}

void TestAdvisor::disconnectedItemsCompleteNothing()
{
    ComparisonTable table;
    addEntries(table, {"A|B|2", "B|A|1/2", "C|D|3"});
    const Completion completion = CompleteFromEntered(ComparisonMatrix(table, {"A", "B", "C", "D", "E"}), "Goal", true);
    QVERIFY(completion.computed);
    QVERIFY(completion.cells.empty());
    QCOMPARE(completion.groups.size(), size_t(3));
    QCOMPARE(completion.groups[0], (QStringList{"A", "B"}));
    QCOMPARE(completion.groups[1], (QStringList{"C", "D"}));
    QCOMPARE(completion.groups[2], (QStringList{"E"}));
}

void TestAdvisor::randomIndexFitContinuesSaatysTable()
{
    QCOMPARE(RandomIndexFor(2).table, RandomIndexTable::None);
    QCOMPARE(RandomIndexFor(15).table, RandomIndexTable::Saaty);
    QCOMPARE(RandomIndexFor(16).table, RandomIndexTable::AlonsoLamata);
    // The fit of the mean eigenvalue of random matrices lands next to Saaty's last value and
    // grows slowly towards 1.7699.
    QVERIFY(std::abs(RandomIndexFor(16).value - RandomIndexFor(15).value) < 0.02);
    double previous = RandomIndexFor(15).value;
    for (int n = 16; n <= 400; ++n) {
        const double ri = RandomIndexFor(n).value;
        QVERIFY(ri > previous && ri < 1.7699);
        previous = ri;
    }
}

QTEST_GUILESS_MAIN(TestAdvisor)
#include "tst_advisor.moc"
