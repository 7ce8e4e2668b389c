// Sensitivity analysis: crossover weights against hand calculation and against evaluating the
// document at sampled weights; judgement tipping points against entering the value through the
// session.
#include "document/DocumentSession.h"
#include "model/ComparisonValue.h"
#include "model/Evaluation.h"
#include "model/Priorities.h"
#include "model/Sensitivity.h"
#include "DataGenerator.h"
#include "DocumentBuilder.h"
#include "RecordingHost.h"

#include <QTest>
#include <QUndoStack>

#include <cmath>

using namespace priomat;
using namespace priomat::test;

namespace {

std::vector<double> pointsOf(const ResultLists &lists)
{
    std::vector<double> points;
    for (const ResultRow &row : lists.alternatives)
        points.push_back(ShownValue(row.value));
    return points;
}

// The winner after evaluating the document with the node's children at these local weights.
int winnerWithChildWeights(Document &document, RequirementNode *node, const std::vector<double> &weights,
                           LeafWeightCache &cache)
{
    std::vector<double> kept;
    for (int j = 0; j < node->childCount(); ++j) {
        kept.push_back(node->child(j)->data().LocalWeight);
        node->child(j)->data().LocalWeight = weights[size_t(j)];
    }
    ResultLists lists;
    Recalculate(document, lists, {.force = true, .cache = &cache});
    for (int j = 0; j < node->childCount(); ++j)
        node->child(j)->data().LocalWeight = kept[size_t(j)];
    return BestAlternative(pointsOf(lists));
}

} // namespace

class TestSensitivity : public QObject
{
    Q_OBJECT

private slots:
    void handWorkedCrossover();
    void crossoversAgreeWithSampledEvaluation();
    void judgementTippingPointsAgreeWithEntering();
    void unanimousChildrenNeverTip();
};

void TestSensitivity::handWorkedCrossover()
{
    // Cost gives A, B, C the weights 4/7, 2/7, 1/7 and Comfort 1/7, 4/7, 2/7 (both consistent).
    // With Cost at x: A = (1 + 3x)/7, B = (4 − 2x)/7, C = (2 − x)/7. A overtakes B at x = 3/5;
    // C never leads. Cost against Comfort 3 puts Cost at 0.75.
    Document document;
    buildTree(document.tree, {"Goal", " Cost", " Comfort"});
    document.alternativesLines = {"A", "B", "C"};
    addEntries(document.RequirementComparisons, {"Cost|Comfort|3", "Comfort|Cost|1/3"});
    addEntries(document.AlternativeComparisons,
               {"Cost|A|B|2", "Cost|B|A|1/2", "Cost|A|C|4", "Cost|C|A|1/4", "Cost|B|C|2", "Cost|C|B|1/2",
                "Comfort|B|A|4", "Comfort|A|B|1/4", "Comfort|B|C|2", "Comfort|C|B|1/2", "Comfort|C|A|2",
                "Comfort|A|C|1/2"});
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    const SensitivityAnalysis analysis(document);
    const RequirementNode *root = document.tree.root();

    const WeightSensitivity cost = analysis.weightSensitivity(root, 0);
    QVERIFY(std::abs(cost.currentWeight - 0.75) < 1e-12);
    const double offsets[] = {1.0 / 7, 4.0 / 7, 2.0 / 7};
    const double slopes[] = {3.0 / 7, -2.0 / 7, -1.0 / 7};
    for (int k = 0; k < 3; ++k) {
        QVERIFY(std::abs(cost.lines[size_t(k)].offset - offsets[k]) < 1e-12);
        QVERIFY(std::abs(cost.lines[size_t(k)].slope - slopes[k]) < 1e-12);
    }
    QCOMPARE(cost.crossovers.size(), size_t(1));
    QVERIFY(std::abs(cost.crossovers[0].weight - 0.6) < 1e-12);
    QCOMPARE(cost.crossovers[0].before, 1);
    QCOMPARE(cost.crossovers[0].after, 0);
    QCOMPARE(cost.currentWinner, 0);

    // Comfort's weight is 1 − Cost's: the same change, mirrored at 0.4.
    const std::vector<TippingPoint> tips = analysis.tippingPoints(root);
    QCOMPARE(tips.size(), size_t(2));
    QVERIFY(tips[0].below && std::abs(*tips[0].below - 0.6) < 1e-12 && !tips[0].above);
    QCOMPARE(tips[0].winnerBelow, 1);
    QVERIFY(tips[1].above && std::abs(*tips[1].above - 0.4) < 1e-12 && !tips[1].below);
    QCOMPARE(tips[1].winnerAbove, 1);
    QCOMPARE(TippingPointCells(tips[0], analysis.alternatives()),
             (QStringList{"Cost", "0.75", "A", "0.6", "B", NoChange, NoChange}));
}

void TestSensitivity::crossoversAgreeWithSampledEvaluation()
{
    int checkedCrossovers = 0;
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        Document document = bench::BuildDocument({.leaves = 6, .parents = 3, .alternatives = 4}, seed);
        UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
        const SensitivityAnalysis analysis(document);
        LeafWeightCache cache; // only local weights change below
        for (RequirementNode *node : {document.tree.root(), document.tree.root()->child(1)}) {
            for (int child = 0; child < node->childCount(); ++child) {
                const WeightSensitivity chart = analysis.weightSensitivity(node, child);
                const double others = 1.0 - node->child(child)->data().LocalWeight;
                auto weightsAt = [&](double x) {
                    std::vector<double> weights;
                    for (int j = 0; j < node->childCount(); ++j)
                        weights.push_back(j == child ? x : node->child(j)->data().LocalWeight * (1.0 - x) / others);
                    return weights;
                };
                // The winner the crossovers imply at x.
                auto expectedAt = [&](double x) {
                    int winner = chart.crossovers.empty() ? -1 : chart.crossovers.front().before;
                    for (const Crossover &crossover : chart.crossovers)
                        if (x > crossover.weight)
                            winner = crossover.after;
                    return winner;
                };
                const int unchanged = winnerWithChildWeights(document, node, weightsAt(0.0), cache);
                for (int i = 0; i <= 10000; ++i) {
                    const double x = i / 10000.0;
                    bool nearCrossover = false;
                    for (const Crossover &crossover : chart.crossovers)
                        nearCrossover = nearCrossover || std::abs(x - crossover.weight) < 1e-9;
                    if (nearCrossover)
                        continue;
                    const int winner = winnerWithChildWeights(document, node, weightsAt(x), cache);
                    const int expected = chart.crossovers.empty() ? unchanged : expectedAt(x);
                    QVERIFY2(winner == expected,
                             qPrintable(QStringLiteral("seed %1, %2, x = %3: %4 wins, expected %5")
                                            .arg(seed).arg(node->child(child)->caption()).arg(x).arg(winner).arg(expected)));
                }
                for (const Crossover &crossover : chart.crossovers) {
                    QVERIFY(crossover.before != crossover.after);
                    ++checkedCrossovers;
                }
            }
        }
    }
    QVERIFY2(checkedCrossovers >= 5, "the documents should have some crossovers to check");
}

void TestSensitivity::judgementTippingPointsAgreeWithEntering()
{
    int checkedSteps = 0;
    for (const bool inverse : {true, false}) {
        DocumentSession session;
        RecordingHost host;
        session.setHost(&host);
        session.options().setInverse(inverse);
        session.editableDocument() = bench::BuildDocument({.leaves = 4, .parents = 2, .alternatives = 4}, 7);
        session.reinstall();
        RequirementNode *root = session.document().tree.root();
        for (RequirementNode *node : {root, root->child(0), root->child(0)->child(1)}) {
            session.setCurrentNode(node);
            const std::vector<JudgementRobustness> pairs = [&] {
                const SensitivityAnalysis analysis(session.document());
                return analysis.judgementRobustness(session.shownMatrix().items, inverse);
            }();
            QVERIFY(!pairs.empty());
            const int winner = BestAlternative(pointsOf(session.results()));
            for (const JudgementRobustness &pair : pairs) {
                for (const JudgementStep *step : {&pair.lower, &pair.higher}) {
                    const int direction = step == &pair.higher ? 1 : -1;
                    const int position = ReadScalePosition(pair.value).position;
                    const int steps = step->found ? step->steps : (direction > 0 ? ScaleLastPosition - position
                                                                                 : position - ScaleFirstPosition);
                    // Every step short of the reported one keeps the winner; the reported one changes it.
                    for (int s = 1; s <= steps; ++s) {
                        const int next = position + direction * s;
                        session.enterValue({pair.column + 1, pair.row + 1, ScaleText(next), ScaleReciprocalText(next)});
                        const int after = WinnerAfterChange(pointsOf(session.results()), winner);
                        session.undoStack()->undo();
                        const bool last = step->found && s == steps;
                        QCOMPARE(after, last ? step->winner : winner);
                        ++checkedSteps;
                    }
                }
            }
        }
        QVERIFY(host.errors.isEmpty());
    }
    QVERIFY(checkedSteps > 100);
}

void TestSensitivity::unanimousChildrenNeverTip()
{
    // Every leaf prefers X strongly: no weight and no requirement judgement changes the winner.
    Document document;
    buildTree(document.tree, {"Goal", " P", " Q", "  Q1", "  Q2", " R"});
    document.alternativesLines = {"W", "X", "Y"};
    addEntries(document.RequirementComparisons, {"P|Q|9", "Q|P|1/9", "Q|R|1/3", "R|Q|3", "Q1|Q2|5", "Q2|Q1|1/5"});
    for (const char *leaf : {"P", "Q1", "Q2", "R"}) {
        const QString l = QString::fromLatin1(leaf);
        for (const QString &pair : {QStringLiteral("X|W|7"), QStringLiteral("W|X|1/7"), QStringLiteral("X|Y|5"),
                                    QStringLiteral("Y|X|1/5")}) {
            const QStringList fields = (l + u'|' + pair).split(u'|');
            document.AlternativeComparisons.append(fields.mid(0, 3).join(u'\t'), fields.at(3));
        }
    }
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    const SensitivityAnalysis analysis(document);
    QCOMPARE(analysis.winner(), 1);
    for (const RequirementNode *node : {document.tree.root(), document.tree.root()->child(1)}) {
        for (const TippingPoint &tip : analysis.tippingPoints(node)) {
            const QStringList cells = TippingPointCells(tip, analysis.alternatives());
            QCOMPARE(cells.mid(3), (QStringList{NoChange, NoChange, NoChange, NoChange}));
        }
        const auto pairs = analysis.judgementRobustness(ItemsUnder(document, node), true);
        QVERIFY(!pairs.empty());
        for (const JudgementRobustness &pair : pairs) {
            QVERIFY(pair.onScale && !pair.lower.found && !pair.higher.found);
            QCOMPARE(JudgementCells(pair, analysis.alternatives()).mid(3),
                     (QStringList{NoChange, NoChange, NoChange, NoChange, NoChange, NoChange, QString()}));
        }
    }
}

QTEST_GUILESS_MAIN(TestSensitivity)
#include "tst_sensitivity.moc"
