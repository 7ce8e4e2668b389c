// The overall evaluation: leaf importances and alternative points.
#include "model/ComputationError.h"
#include "DocumentBuilder.h"
#include "model/Evaluation.h"
#include "model/Priorities.h"

#include <QTest>

using namespace priomat;
using namespace priomat::test;

namespace {

// Name and number of each row as the result lists show them.
QStringList shown(const QList<ResultRow> &rows)
{
    QStringList lines;
    for (const ResultRow &row : rows)
        lines.append(row.name + u'\t' + row.text());
    return lines;
}

} // namespace

class TestEvaluation : public QObject
{
    Q_OBJECT

private slots:
    void importancesMultiplyDownTheTree();
    void conditionsForComputing();
    void pointsFromLeafWeights();
    void sameLeafNameSharesEntries();
    void duplicateAlternativesScoreAlike();
    void rootAloneIsTheOnlyLeaf();
    void singleAlternativeScoresDisplayedImportances();
    void errorLeavesRequirementsComplete();
    void onlyTheFirstTopLevelNodeIsEvaluated();
    void cachedLeafWeightsGiveTheSameResults();
};

void TestEvaluation::importancesMultiplyDownTheTree()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", "  A1", "  A2", " B"});
    findNode(document.tree, "A")->data().LocalWeight = 0.75;
    findNode(document.tree, "B")->data().LocalWeight = 0.25;
    findNode(document.tree, "A1")->data().LocalWeight = 0.6;
    findNode(document.tree, "A2")->data().LocalWeight = 0.4;
    ResultLists lists;
    Recalculate(document, lists, {.force = false, .automatic = true, .loading = false});
    QCOMPARE(shown(lists.requirements), (QStringList{"A1\t0.45", "A2\t0.3", "B\t0.25"}));
    QVERIFY(lists.alternatives.isEmpty());
}

void TestEvaluation::conditionsForComputing()
{
    Document document;
    buildTree(document.tree, {"Goal", " A"});
    document.alternativesLines = {"x"};
    ResultLists lists;
    lists.requirements.append(ResultRow{"stale", 1.0});
    lists.alternatives.append(ResultRow{"stale", 1.0});

    Recalculate(document, lists, {.force = false, .automatic = false, .loading = false}); // automatic off: only empties
    QVERIFY(lists.requirements.isEmpty() && lists.alternatives.isEmpty());

    Recalculate(document, lists, {.force = true, .automatic = false, .loading = false}); // Calculate with automatic off
    QCOMPARE(lists.requirements.size(), 1);

    Recalculate(document, lists, {.force = false, .automatic = true, .loading = true}); // while loading: nothing
    QVERIFY(lists.requirements.isEmpty() && lists.alternatives.isEmpty());
    Recalculate(document, lists, {.force = true, .automatic = true, .loading = true});
    QVERIFY(lists.requirements.isEmpty());
}

void TestEvaluation::pointsFromLeafWeights()
{
    Document document;
    buildTree(document.tree, {"Goal", " Cost", " Comfort"});
    document.alternativesLines = {"Car A", "Car B"};
    addEntries(document.RequirementComparisons, {"Cost|Comfort|3", "Comfort|Cost|1/3"});
    addEntries(document.AlternativeComparisons,
               {"Cost|Car A|Car B|1/5", "Cost|Car B|Car A|5", "Comfort|Car A|Car B|3",
                "Comfort|Car B|Car A|1/3"});
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    ResultLists lists;
    Recalculate(document, lists, {.force = false, .automatic = true, .loading = false});
    // 0.75 × 1/6 + 0.25 × 0.75 and 0.75 × 5/6 + 0.25 × 0.25
    QCOMPARE(lists.alternatives.size(), 2);
    QCOMPARE(lists.alternatives.at(0).name, QStringLiteral("Car A"));
    QCOMPARE(lists.alternatives.at(0).text(), QStringLiteral("0.3125"));
    QCOMPARE(lists.alternatives.at(1).text(), QStringLiteral("0.6875"));
}

void TestEvaluation::sameLeafNameSharesEntries()
{
    Document document;
    buildTree(document.tree, {"Goal", " X", "  Price", " Y", "  price"});
    document.tree.root()->child(1)->child(0)->setCaption(" price\t");
    document.alternativesLines = {"a", "b"};
    addEntries(document.AlternativeComparisons, {"PRICE|a|b|9", "Price|b|a|1/9"});
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    ResultLists lists;
    Recalculate(document, lists, {.force = false, .automatic = true, .loading = false});
    QCOMPARE(lists.requirements.size(), 2);
    QCOMPARE(lists.requirements.at(1).name, QStringLiteral(" price\t"));
    QCOMPARE(lists.alternatives.at(0).text(), QStringLiteral("0.9"));
    QCOMPARE(lists.alternatives.at(1).text(), QStringLiteral("0.1"));
}

void TestEvaluation::duplicateAlternativesScoreAlike()
{
    Document document;
    buildTree(document.tree, {"Goal"});
    document.alternativesLines = {"Same", "  Same ", "Other"};
    addEntries(document.AlternativeComparisons, {"Goal|Same|Other|3"});
    ResultLists lists;
    Recalculate(document, lists, {.force = false, .automatic = true, .loading = false});
    QCOMPARE(lists.alternatives.size(), 3);
    QCOMPARE(lists.alternatives.at(1).name, QStringLiteral("Same"));
    QCOMPARE(lists.alternatives.at(0).text(), lists.alternatives.at(1).text());
    QVERIFY(lists.alternatives.at(0).text() != lists.alternatives.at(2).text());
}

void TestEvaluation::rootAloneIsTheOnlyLeaf()
{
    Document document;
    document.reset();
    document.alternativesLines = {"a", "b"};
    document.AlternativeComparisons.append(alternativeKey(DefaultRootCaption, "a", "b"), "4");
    document.AlternativeComparisons.append(alternativeKey(DefaultRootCaption, "b", "a"), "1/4");
    ResultLists lists;
    Recalculate(document, lists, {.force = false, .automatic = true, .loading = false});
    QCOMPARE(shown(lists.requirements), QStringList{DefaultRootCaption + "\t1"});
    QCOMPARE(shown(lists.alternatives), (QStringList{"a\t0.8", "b\t0.2"}));
}

void TestEvaluation::singleAlternativeScoresDisplayedImportances()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", " B", " C"});
    document.alternativesLines = {"only"};
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    ResultLists lists;
    Recalculate(document, lists, {.force = false, .automatic = true, .loading = false});
    QCOMPARE(lists.requirements.at(0).text(), QStringLiteral("0.333333333333333"));
    // Three displayed importances of 15 digits add up to 0.999999999999999.
    QCOMPARE(shown(lists.alternatives), QStringList{"only\t0.999999999999999"});
}

void TestEvaluation::errorLeavesRequirementsComplete()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", " B", " C"});
    document.alternativesLines = {"x", "y"};
    addEntries(document.AlternativeComparisons, {"B|x|y|abc"});
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    ResultLists lists;
    try {
        Recalculate(document, lists, {.force = false, .automatic = true, .loading = false});
        QFAIL("no error");
    } catch (const ComputationError &error) {
        QCOMPARE(error.owner(), QStringLiteral("B"));
        QCOMPARE(error.valueText(), QStringLiteral("abc"));
    }
    QCOMPARE(lists.requirements.size(), 3);
    QVERIFY(lists.alternatives.isEmpty());
}

void TestEvaluation::onlyTheFirstTopLevelNodeIsEvaluated()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", "Second", " S1"});
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    ResultLists lists;
    Recalculate(document, lists, {.force = false, .automatic = true, .loading = false});
    QCOMPARE(shown(lists.requirements), QStringList{"A\t1"});
}

void TestEvaluation::cachedLeafWeightsGiveTheSameResults()
{
    Document document;
    buildTree(document.tree, {"Goal", " Price", " Quality", "  Build", "  Looks"});
    document.alternativesLines = {"x", "y", "z"};
    addEntries(document.RequirementComparisons, {"Price|Quality|2", "Build|Looks|3"});
    addEntries(document.AlternativeComparisons, {"Price|x|y|5", "Build|y|z|1/3", "Looks|z|x|7"});
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    LeafWeightCache cache;
    int mismatches = 0;
    auto check = [&]() -> ResultLists {
        ResultLists plain;
        ResultLists cached;
        Recalculate(document, plain, {.force = false, .automatic = true, .loading = false});
        Recalculate(document, cached, {.force = false, .automatic = true, .loading = false, .cache = &cache});
        if (!(cached == plain))
            ++mismatches;
        return plain;
    };
    const ResultLists first = check();
    check(); // from the cache now

    // An entry changed under one leaf: only that leaf is recomputed, and it must be.
    MatrixItems items = ItemsUnder(document, findNode(document.tree, "Price"));
    StoreEntry(document, items, 2, 1, "1/9", "9", true);
    cache.invalidateLeaf("PRICE");
    QVERIFY(check().alternatives != first.alternatives);

    // Another list of alternatives drops everything cached.
    document.alternativesLines = {"x", "y"};
    QCOMPARE(check().alternatives.size(), 2);
    QCOMPARE(mismatches, 0);
}

QTEST_GUILESS_MAIN(TestEvaluation)
#include "tst_evaluation.moc"
