// Weights and consistency index of a matrix, and the tree's weight updates.
#include "model/ComputationError.h"
#include "DocumentBuilder.h"
#include "model/Priorities.h"

#include <QTest>

#include <cmath>

using namespace priomat;
using namespace priomat::test;
using Kind = ComputationError::Kind;

namespace {

Priorities compute(std::initializer_list<const char *> entries, const QStringList &names)
{
    ComparisonTable table;
    addEntries(table, entries);
    return ComputePriorities(ComparisonMatrix(table, names));
}

bool near(double a, double b, double tolerance = 1e-12) { return std::fabs(a - b) <= tolerance; }

} // namespace

class TestPriorities : public QObject
{
    Q_OBJECT

private slots:
    void sizesZeroAndOne();
    void consistentThreeByThree();
    void reciprocalPair();
    void oneSidedPairUsesOneForTheMissingCell();
    void emptyMatrixGivesEqualWeights();
    void lettersCaseDoesNotMatter();
    void alternativesMatrixOfEmptyLeafName();
    void decimalEntries();
    void badEntriesRaiseTypedErrors_data();
    void badEntriesRaiseTypedErrors();
    void childWeightsAndOnlyChild();
    void failedUpdateStoresNothing();
    void tooLargeMatrixNamesNodeAndSize();
    void subtreeUpdateWalksPreOrder();
    void deepTreesNeedNoRecursion();
};

void TestPriorities::sizesZeroAndOne()
{
    const Priorities none = compute({}, {});
    QVERIFY(none.weights.empty());
    QCOMPARE(none.consistencyIndex, 0.0);
    const Priorities one = compute({"A|B|abc"}, {"A"});
    QCOMPARE(one.weights, std::vector<double>{1.0});
    QCOMPARE(one.consistencyIndex, 0.0);
}

void TestPriorities::consistentThreeByThree()
{
    const Priorities p =
        compute({"A|B|2", "A|C|4", "B|C|2", "B|A|1/2", "C|A|1/4", "C|B|1/2"}, {"A", "B", "C"});
    QVERIFY(near(p.weights[0], 4.0 / 7.0));
    QVERIFY(near(p.weights[1], 2.0 / 7.0));
    QVERIFY(near(p.weights[2], 1.0 / 7.0));
    QVERIFY(std::fabs(p.consistencyIndex) < 1e-14);
}

void TestPriorities::reciprocalPair()
{
    const Priorities p = compute({"A|B|3", "B|A|1/3"}, {"A", "B"});
    QVERIFY(near(p.weights[0], 0.75));
    QVERIFY(near(p.weights[1], 0.25));
    QVERIFY(std::fabs(p.consistencyIndex) < 1e-14);
}

void TestPriorities::oneSidedPairUsesOneForTheMissingCell()
{
    const Priorities p = compute({"A|B|3"}, {"A", "B"});
    const double r = std::sqrt(3.0);
    QVERIFY(near(p.weights[0], r / (r + 1.0)));
    QVERIFY(near(p.weights[1], 1.0 / (r + 1.0)));
    // λ = 1 + √3, so CI = λ − 2.
    QVERIFY(near(p.consistencyIndex, std::sqrt(3.0) - 1.0));
}

void TestPriorities::emptyMatrixGivesEqualWeights()
{
    const Priorities p = compute({}, {"A", "B", "C", "D"});
    for (double w : p.weights)
        QVERIFY(near(w, 0.25));
    QVERIFY(std::fabs(p.consistencyIndex) < 1e-15);
}

void TestPriorities::lettersCaseDoesNotMatter()
{
    const Priorities p = compute({"price|COMFORT|3", "Comfort|Price|1/3"}, {"Price", "Comfort"});
    QVERIFY(near(p.weights[0], 0.75));
}

void TestPriorities::alternativesMatrixOfEmptyLeafName()
{
    ComparisonTable table;
    addEntries(table, {"|X|Y|9", "|Y|X|1/9", "Other|X|Y|1/9"});
    const Priorities p = ComputePriorities(ComparisonMatrix(table, QString(), {"X", "Y"}));
    QVERIFY(near(p.weights[0], 0.9));
    QVERIFY(near(p.weights[1], 0.1));
}

void TestPriorities::decimalEntries()
{
    const Priorities p = compute({"A|B|2.5", "B|A|1/2.5"}, {"A", "B"});
    QVERIFY(near(p.weights[0], 2.5 / 3.5));
}

void TestPriorities::badEntriesRaiseTypedErrors_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("kind");
    QTest::newRow("zero") << "0" << int(Kind::DivisionByZero);
    QTest::newRow("negative") << "-2" << int(Kind::InvalidOperation);
    QTest::newRow("reciprocal of negative") << "1/-2" << int(Kind::InvalidOperation);
    QTest::newRow("1/0") << "1/0" << int(Kind::DivisionByZero);
    QTest::newRow("abc") << "abc" << int(Kind::Conversion);
    QTest::newRow("2/3") << "2/3" << int(Kind::Conversion);
    QTest::newRow("dash") << "-" << int(Kind::Conversion);
    QTest::newRow("nan") << "nan" << int(Kind::Conversion);
}

void TestPriorities::badEntriesRaiseTypedErrors()
{
    QFETCH(QString, value);
    QFETCH(int, kind);
    ComparisonTable table;
    table.append("A\tB", value);
    try {
        ComputePriorities(ComparisonMatrix(table, {"A", "B", "C"}));
        QFAIL("no error");
    } catch (const ComputationError &error) {
        QCOMPARE(int(error.kind()), kind);
        QCOMPARE(error.valueText(), value);
    }
}

void TestPriorities::childWeightsAndOnlyChild()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", "  Only", " B"});
    addEntries(document.RequirementComparisons, {"A|B|3", "B|A|1/3"});
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    RequirementNode *a = findNode(document.tree, "A");
    QVERIFY(near(a->data().LocalWeight, 0.75));
    QVERIFY(near(findNode(document.tree, "B")->data().LocalWeight, 0.25));
    QCOMPARE(findNode(document.tree, "Only")->data().LocalWeight, 1.0);
    QCOMPARE(a->data().ConsistencyIndex, 0.0);
    // A leaf's record is not set.
    QCOMPARE(findNode(document.tree, "Only")->data().ConsistencyIndex, 0.0);
}

void TestPriorities::tooLargeMatrixNamesNodeAndSize()
{
    Document document;
    buildTree(document.tree, {"Goal"});
    RequirementNode *root = document.tree.root();
    for (int i = 0; i <= MaxComputedMatrixSize; ++i)
        root->appendChild(std::make_unique<RequirementNode>(QString::number(i)));
    addEntries(document.RequirementComparisons, {"1|2|3"});
    try {
        UpdateChildWeights(document.RequirementComparisons, root);
        QFAIL("no error");
    } catch (const ComputationError &error) {
        QCOMPARE(error.kind(), Kind::TooLarge);
        QCOMPARE(error.matrixSize(), qsizetype(MaxComputedMatrixSize + 1));
        const QString size = QString::number(MaxComputedMatrixSize + 1);
        for (const bool japanese : {false, true}) {
            QVERIFY(error.message(japanese).contains(u"Goal"));
            QVERIFY(error.message(japanese).contains(size));
        }
    }
}

void TestPriorities::failedUpdateStoresNothing()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", " B", " C"});
    RequirementNode *root = document.tree.root();
    for (int i = 0; i < 3; ++i)
        root->child(i)->data().LocalWeight = 0.5 + i;
    root->data().ConsistencyIndex = 42.0;
    addEntries(document.RequirementComparisons, {"A|B|3", "B|C|x"});
    try {
        UpdateChildWeights(document.RequirementComparisons, root);
        QFAIL("no error");
    } catch (const ComputationError &error) {
        QCOMPARE(error.owner(), QStringLiteral("Goal"));
        QVERIFY(error.message().contains(u"'x'"));
    }
    QCOMPARE(root->child(0)->data().LocalWeight, 0.5);
    QCOMPARE(root->child(2)->data().LocalWeight, 2.5);
    QCOMPARE(root->data().ConsistencyIndex, 42.0);
}

void TestPriorities::subtreeUpdateWalksPreOrder()
{
    Document document;
    buildTree(document.tree, {"Goal", " A", "  A1", "  A2", " B", "  B1", "  B2"});
    addEntries(document.RequirementComparisons, {"A1|A2|3", "B1|B2|x"});
    QVERIFY_THROWS_EXCEPTION(ComputationError,
                             UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root()));
    // The walk stops at B, after the root and A were brought up to date.
    QVERIFY(near(findNode(document.tree, "A")->data().LocalWeight, 0.5));
    QVERIFY(findNode(document.tree, "A1")->data().LocalWeight > 0.6);
    QCOMPARE(findNode(document.tree, "B1")->data().LocalWeight, 0.0);
}

void TestPriorities::deepTreesNeedNoRecursion()
{
    Document document;
    RequirementNode *node = document.tree.appendTopLevel(std::make_unique<RequirementNode>("0"));
    for (int depth = 1; depth < 200000; ++depth)
        node = node->appendChild(std::make_unique<RequirementNode>(QString::number(depth)));
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    QCOMPARE(node->data().LocalWeight, 1.0);
    document.tree.clear(); // releasing must not overflow the stack either
    QVERIFY(document.tree.isEmpty());
}

QTEST_GUILESS_MAIN(TestPriorities)
#include "tst_priorities.moc"
