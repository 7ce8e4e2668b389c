// Judgement uncertainty by simulation, and the ranking under the other AHP methods.
#include "DocumentBuilder.h"
#include "model/Certainty.h"
#include "model/ComparisonValue.h"
#include "model/Evaluation.h"
#include "model/FloatFormat.h"
#include "model/Priorities.h"

#include <QTest>

#include <cmath>

using namespace priomat;
using namespace priomat::test;

namespace {

// Goal with criteria C1, C2 and alternatives A, B; the three judgements at the given positions.
void buildTwoByTwo(Document &document, int criteria, int underC1, int underC2)
{
    document.reset();
    buildTree(document.tree, {"Goal", " C1", " C2"});
    document.alternativesLines = {QStringLiteral("A"), QStringLiteral("B")};
    document.RequirementComparisons.append(QStringLiteral("C1\tC2"), ScaleText(criteria));
    document.RequirementComparisons.append(QStringLiteral("C2\tC1"), ScaleReciprocalText(criteria));
    document.AlternativeComparisons.append(QStringLiteral("C1\tA\tB"), ScaleText(underC1));
    document.AlternativeComparisons.append(QStringLiteral("C1\tB\tA"), ScaleReciprocalText(underC1));
    document.AlternativeComparisons.append(QStringLiteral("C2\tA\tB"), ScaleText(underC2));
    document.AlternativeComparisons.append(QStringLiteral("C2\tB\tA"), ScaleReciprocalText(underC2));
}

ResultLists evaluated(Document &document)
{
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    ResultLists lists;
    Recalculate(document, lists, {.force = true});
    return lists;
}

} // namespace

class TestCertainty : public QObject
{
    Q_OBJECT

private slots:
    void noSpreadGivesTheCurrentResult();
    void farAheadStaysBest();
    void agreesWithEnumeration();
    void sameSeedSameResultOnAnyThreadCount();
    void eigenvectorOfConsistentMatrixIsTheGeometricMean();
    void idealSynthesisOfTheCarExample();
};

void TestCertainty::noSpreadGivesTheCurrentResult()
{
    Document document;
    // "cost" reads the entries of "Cost": the same judgements, moved together.
    buildTree(document.tree, {"Goal", " Cost", " Comfort", "  Seats", "  Noise", "  cost"});
    document.alternativesLines = {QStringLiteral("Car A"), QStringLiteral("Car B"), QStringLiteral("Car C")};
    // Pairs entered on one side only, and decimal values off the scale.
    addEntries(document.RequirementComparisons, {"Cost|Comfort|3", "Seats|Noise|2.5"});
    addEntries(document.AlternativeComparisons,
               {"Cost|Car A|Car B|1/5", "Cost|Car B|Car A|5", "Cost|Car A|Car C|2", "Seats|Car A|Car B|3",
                "Noise|Car C|Car B|1/4.5"});
    const ResultLists lists = evaluated(document);
    const CertaintyResult result = SimulateCertainty(document, {.spread = 0, .draws = 50});
    QCOMPARE(result.alternatives.size(), size_t(3));
    QCOMPARE(result.judgementCount, 6);
    for (int k = 0; k < 3; ++k) {
        const AlternativeCertainty &alternative = result.alternatives[size_t(k)];
        QCOMPARE(FormatFloat(alternative.points), lists.alternatives.at(k).text());
        QCOMPARE(alternative.rankShares[size_t(alternative.rank - 1)], 1.0);
        QCOMPARE(alternative.p5, alternative.points);
        QCOMPARE(alternative.p95, alternative.points);
    }
    QCOMPARE(result.alternatives[size_t(result.winner)].bestShare, 1.0);
    QCOMPARE(result.winnerChanges, 0);
    QVERIFY(result.judgements.empty());
}

void TestCertainty::farAheadStaysBest()
{
    Document document;
    buildTwoByTwo(document, 12, 17, 16); // A is far better under both criteria
    for (int spread = 1; spread <= CertaintyMaxSpread; ++spread) {
        const CertaintyResult result = SimulateCertainty(document, {.spread = spread, .draws = 2000});
        QCOMPARE(result.winner, 0);
        QCOMPARE(result.alternatives[0].bestShare, 1.0);
        QCOMPARE(result.alternatives[1].rankShares[1], 1.0);
        QVERIFY(result.alternatives[0].p5 < result.alternatives[0].p95);
    }
}

void TestCertainty::agreesWithEnumeration()
{
    // C1 against C2 "2", A against B "3" under C1 and "1/7" under C2: each can take three steps,
    // and no combination ties.
    const int criteria = 10, underC1 = 11, underC2 = 3;
    Document document;
    int aBest = 0, total = 0;
    for (int d1 = -1; d1 <= 1; ++d1) {
        for (int d2 = -1; d2 <= 1; ++d2) {
            for (int d3 = -1; d3 <= 1; ++d3) {
                buildTwoByTwo(document, criteria + d1, underC1 + d2, underC2 + d3);
                const ResultLists lists = evaluated(document);
                aBest += ReadDecimal(lists.alternatives.at(0).text()) > ReadDecimal(lists.alternatives.at(1).text());
                ++total;
            }
        }
    }
    const double exact = double(aBest) / total;
    QVERIFY(exact > 0.0 && exact < 1.0);

    buildTwoByTwo(document, criteria, underC1, underC2);
    const int draws = 20000;
    const CertaintyResult result = SimulateCertainty(document, {.spread = 1, .draws = draws, .seed = 7});
    const double standardError = std::sqrt(exact * (1.0 - exact) / draws);
    QVERIFY2(std::abs(result.alternatives[0].bestShare - exact) < 4.0 * standardError,
             qPrintable(QStringLiteral("%1 against %2").arg(result.alternatives[0].bestShare).arg(exact)));
    // Every judgement can change the winner here; the listed ones did.
    QVERIFY(!result.judgements.empty());
    QCOMPARE(result.judgementCount, 3);
}

void TestCertainty::sameSeedSameResultOnAnyThreadCount()
{
    Document document;
    buildTwoByTwo(document, 10, 11, 6);
    const auto run = [&](std::uint64_t seed, int threads) {
        return SimulateCertainty(document, {.spread = 2, .draws = 3000, .seed = seed, .threads = threads});
    };
    const CertaintyResult one = run(42, 1);
    const CertaintyResult two = run(42, 2);
    const CertaintyResult other = run(43, 2);
    const auto same = [](const CertaintyResult &a, const CertaintyResult &b) {
        if (a.winnerChanges != b.winnerChanges || a.judgements.size() != b.judgements.size())
            return false;
        for (size_t k = 0; k < a.alternatives.size(); ++k) {
            const auto &x = a.alternatives[k], &y = b.alternatives[k];
            if (x.rankShares != y.rankShares || x.p5 != y.p5 || x.p50 != y.p50 || x.p95 != y.p95)
                return false;
        }
        for (size_t j = 0; j < a.judgements.size(); ++j) {
            if (a.judgements[j].moved != b.judgements[j].moved || a.judgements[j].changed != b.judgements[j].changed)
                return false;
        }
        return true;
    };
    QVERIFY(same(one, two));
    QVERIFY(!same(one, other));

    // The offsets themselves are defined, not left to the library's distributions.
    OffsetSource source(1, 0);
    int counts[7] = {};
    for (int i = 0; i < 70000; ++i)
        ++counts[source.next(3) + 3];
    for (int count : counts)
        QVERIFY(std::abs(count - 10000) < 500);
}

void TestCertainty::eigenvectorOfConsistentMatrixIsTheGeometricMean()
{
    ComparisonTable table;
    addEntries(table, {"A|B|2", "B|A|1/2", "A|C|8", "C|A|1/8", "B|C|4", "C|B|1/4", "A|D|1/2", "D|A|2", "B|D|1/4",
                       "D|B|4", "C|D|1/16", "D|C|16"});
    const ComparisonMatrix matrix(table, QStringList{"A", "B", "C", "D"});
    const MatrixValues values = ReadMatrixValues(matrix);
    const Priorities geometric = ComputePriorities(values);
    const EigenvectorResult eigen = PrincipalEigenvector(values, {0.25, 0.25, 0.25, 0.25});
    for (size_t i = 0; i < 4; ++i)
        QVERIFY(std::abs(eigen.weights[i] - geometric.weights[i]) <= 1e-15);
    QVERIFY(std::abs(eigen.lambdaMax - 4.0) <= 1e-14);
}

void TestCertainty::idealSynthesisOfTheCarExample()
{
    Document document;
    buildTree(document.tree, {"Choose a car", " Cost", " Comfort", "  Seats", "  Noise"});
    document.alternativesLines = {QStringLiteral("Car A"), QStringLiteral("Car B")};
    addEntries(document.RequirementComparisons, {"Cost|Comfort|3", "Comfort|Cost|1/3", "Seats|Noise|1/2", "Noise|Seats|2"});
    addEntries(document.AlternativeComparisons,
               {"Cost|Car A|Car B|1/5", "Cost|Car B|Car A|5", "Seats|Car A|Car B|3", "Seats|Car B|Car A|1/3"});
    const MethodComparison comparison = CompareMethods(document);
    // Leaf importances 3/4, 1/12, 1/6; Car A's weights over the largest 1/5, 1, 1 and Car B's
    // 1, 1/3, 1: totals 2/5 and 17/18, normalised 36/121 and 85/121.
    const auto &ideal = comparison.points[int(AhpMethod::GeometricIdeal)];
    QVERIFY(std::abs(ideal[0] - 36.0 / 121.0) < 1e-13);
    QVERIFY(std::abs(ideal[1] - 85.0 / 121.0) < 1e-13);
    const ResultLists lists = evaluated(document);
    for (int k = 0; k < 2; ++k)
        QCOMPARE(FormatFloat(comparison.points[int(AhpMethod::GeometricDistributive)][size_t(k)]),
                 lists.alternatives.at(k).text());
    QVERIFY(comparison.ranksAgree());
    QCOMPARE(comparison.matrices.size(), size_t(5)); // the root, Comfort, and the leaves Cost, Seats, Noise
}

QTEST_GUILESS_MAIN(TestCertainty)
#include "tst_certainty.moc"
