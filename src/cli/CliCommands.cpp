#include "cli/CliCommands.h"

#include "model/ComparisonMatrix.h"
#include "document/CsvExport.h"
#include "document/DocumentOpen.h"
#include "model/ConsistencyAdvisor.h"
#include "model/Evaluation.h"
#include "model/FloatFormat.h"
#include "model/Priorities.h"
#include "document/ResultText.h"
#include "model/ComputationError.h"
#include "model/Sensitivity.h"

namespace priomat::cli {

namespace {

// What the program does after a load: every weight from the root, then the evaluation.
ResultLists computeAfterLoad(Document &document, bool automatic)
{
    ResultLists results;
    ComputeDocument(document, results, {.automatic = automatic});
    return results;
}

QString consistencyVerdict(double ci)
{
    if (ci <= 0.1)
        return QStringLiteral("OK");
    if (ci <= 0.15)
        return QStringLiteral("CHECK");
    return QStringLiteral("INCONSISTENT");
}

} // namespace

QStringList EvaluateLines(Document &document)
{
    return BuildResultTextLines(computeAfterLoad(document, true));
}

QStringList CsvLines(Document &document, bool calculate)
{
    const ResultLists results = computeAfterLoad(document, calculate);
    return BuildCsvLines(document, results);
}

QStringList CheckLines(const Document &document)
{
    QStringList lines;
    const QStringList alternatives = document.alternatives();
    document.tree.forEachPreOrder([&](RequirementNode *node, int) {
        MatrixItems items = ItemsUnder(document, node);
        if (items.names.size() < 2)
            return;
        const ComparisonMatrix matrix = ComparisonMatrix::of(document, items);
        Priorities priorities;
        try {
            priorities = ComputePriorities(matrix);
        } catch (ComputationError &error) {
            error.setOwner(node->caption());
            throw;
        }
        lines.append(QStringList{node->caption(), QString::number(matrix.size()),
                                 FormatFloat(priorities.consistencyIndex),
                                 QString::number(matrix.missingCount()),
                                 consistencyVerdict(priorities.consistencyIndex)}
                         .join(u'\t'));
    });
    return lines;
}

QStringList AdviseLines(const Document &document, QString &failure)
{
    QStringList lines;
    failure.clear();
    document.tree.forEachPreOrder([&](RequirementNode *node, int) {
        if (!failure.isEmpty())
            return;
        const MatrixItems items = ItemsUnder(document, node);
        if (items.names.size() < 2)
            return;
        const ComparisonMatrix matrix = ComparisonMatrix::of(document, items);
        // The program's default: "Inverse" on.
        const AdvisorResult result = AdviseMatrix(matrix, node->caption(), true);
        if (!result.computed) {
            failure = result.unreadable
                          ? QStringLiteral("the matrix of '%1' holds a value that cannot be read: row '%2', column '%3', '%4'")
                                .arg(result.unreadable->owner, result.unreadable->row, result.unreadable->column,
                                     result.unreadable->text)
                          : result.error;
            return;
        }
        if (!(result.consistencyIndex > 0.1))
            return;
        for (const AdvisorSuggestion &suggestion : result.suggestions) {
            lines.append(QStringList{node->caption(), items.names.at(suggestion.row), items.names.at(suggestion.column),
                                     suggestion.value, suggestion.suggested, FormatFloat(result.consistencyIndex),
                                     FormatFloat(suggestion.indexAfter)}
                             .join(u'\t'));
        }
    });
    if (!failure.isEmpty())
        lines.clear();
    return lines;
}

const RequirementNode *FindSensitivityNode(const Document &document, const QString &name)
{
    const RequirementNode *found = nullptr;
    walkPreOrder(document.tree.root(), [&](RequirementNode *node, int) {
        if (!found && node->caption() == name)
            found = node;
    });
    return found;
}

const RequirementNode *DefaultSensitivityNode(const Document &document)
{
    const RequirementNode *found = nullptr;
    walkPreOrder(document.tree.root(), [&](RequirementNode *node, int) {
        if (!found && node->childCount() >= 2)
            found = node;
    });
    return found ? found : document.tree.root();
}

QStringList SensitivityLines(Document &document, const RequirementNode *node, QStringList *skipped)
{
    LeafWeightCache cache;
    ResultLists results;
    ComputeDocument(document, results, {.automatic = true, .cache = &cache});
    const QStringList alternatives = document.alternatives();
    // The evaluation has just computed every leaf's weights.
    const SensitivityAnalysis analysis(document, [&](const QString &leafName) {
        const std::vector<double> *kept = cache.find(leafName, alternatives);
        return kept ? *kept
                    : ComputePriorities(ComparisonMatrix(document.AlternativeComparisons, leafName, alternatives))
                          .weights;
    });

    QStringList lines{QStringLiteral("Child\tWeight\tWinner\tBelow\tWinner below\tAbove\tWinner above")};
    for (const TippingPoint &point : analysis.tippingPoints(node))
        lines.append(TippingPointCells(point, alternatives).join(u'\t'));
    lines.append(QString());
    lines.append(QStringLiteral("Node\tRow\tColumn\tValue\tLower\tSteps\tWinner\tHigher\tSteps\tWinner\tClose"));
    walkPreOrder(document.tree.root(), [&](RequirementNode *parent, int) {
        if (parent->childCount() < 2)
            return;
        if (parent->childCount() > JudgementAnalysisLimit) {
            if (skipped)
                skipped->append(parent->caption());
            return;
        }
        std::vector<JudgementRobustness> pairs;
        try {
            pairs = analysis.judgementRobustness(ItemsUnder(document, parent), true);
        } catch (ComputationError &error) {
            error.setOwner(parent->caption());
            throw;
        }
        for (const JudgementRobustness &pair : pairs)
            lines.append(parent->caption() + u'\t' + JudgementCells(pair, alternatives).join(u'\t'));
    });
    return lines;
}

QStringList CertaintyLines(const Document &document, const CertaintyOptions &options)
{
    const CertaintyResult result = SimulateCertainty(document, options);
    const int count = int(result.alternatives.size());
    QStringList header{QStringLiteral("Alternative"), QStringLiteral("Points"), QStringLiteral("Rank"),
                       QStringLiteral("P(best)")};
    for (int r = 1; r <= count; ++r)
        header.append(QStringLiteral("P(rank %1)").arg(r));
    header << QStringLiteral("P5") << QStringLiteral("P50") << QStringLiteral("P95");
    QStringList lines{header.join(u'\t')};
    for (const AlternativeCertainty &alternative : result.alternatives) {
        QStringList cells{alternative.name, FormatFloat(alternative.points), QString::number(alternative.rank),
                          FormatFloat(alternative.bestShare)};
        for (double share : alternative.rankShares)
            cells.append(FormatFloat(share));
        cells << FormatFloat(alternative.p5) << FormatFloat(alternative.p50) << FormatFloat(alternative.p95);
        lines.append(cells.join(u'\t'));
    }
    lines.append(QString());
    lines.append(QStringLiteral("Matrix\tRow\tColumn\tValue\tTowards\tDraws moved\tWinner changed\tShare"));
    for (const JudgementInfluence &judgement : result.judgements) {
        lines.append(QStringList{judgement.owner, judgement.rowName, judgement.columnName, judgement.value,
                                 judgement.towardsRow ? judgement.rowName : judgement.columnName,
                                 QString::number(judgement.moved), QString::number(judgement.changed),
                                 FormatFloat(judgement.share())}
                         .join(u'\t'));
    }
    lines.append(QString());
    lines.append(QStringLiteral("Spread\tDraws\tSeed\tJudgements\tWinner changed\tShare"));
    lines.append(QStringList{QString::number(result.spread), QString::number(result.draws),
                             QString::number(result.seed), QString::number(result.judgementCount),
                             QString::number(result.winnerChanges),
                             FormatFloat(result.draws > 0 ? double(result.winnerChanges) / result.draws : 0.0)}
                     .join(u'\t'));
    return lines;
}

QStringList MethodsLines(const Document &document)
{
    const MethodComparison comparison = CompareMethods(document);
    QStringList header{QStringLiteral("Alternative")};
    for (int m = 0; m < AhpMethodCount; ++m)
        header << AhpMethodName(AhpMethod(m), false) << QStringLiteral("Rank");
    header << QStringLiteral("Ranks");
    QStringList lines{header.join(u'\t')};
    QStringList differing;
    for (qsizetype k = 0; k < comparison.alternatives.size(); ++k) {
        QStringList cells{comparison.alternatives.at(k)};
        for (int m = 0; m < AhpMethodCount; ++m)
            cells << FormatFloat(comparison.points[m][size_t(k)]) << QString::number(comparison.ranks[m][size_t(k)]);
        const bool agrees = comparison.rankAgrees(int(k));
        cells << (agrees ? QStringLiteral("same") : QStringLiteral("differ"));
        if (!agrees)
            differing.append(comparison.alternatives.at(k));
        lines.append(cells.join(u'\t'));
    }
    lines.append(QString());
    lines.append(QStringLiteral("Matrix\tItems\tSize\tIndex\tLambda max\tCR\tVerdicts"));
    QStringList verdicts;
    for (const MatrixConsistencyComparison &matrix : comparison.matrices) {
        const bool differ = matrix.verdictsDiffer();
        if (differ)
            verdicts.append(matrix.owner);
        lines.append(QStringList{matrix.owner,
                                 matrix.requirements ? QStringLiteral("requirements") : QStringLiteral("alternatives"),
                                 QString::number(matrix.size), FormatFloat(matrix.index),
                                 FormatFloat(matrix.lambdaMax),
                                 matrix.hasRatio ? FormatFloat(matrix.ratio) : QStringLiteral("-"),
                                 !matrix.hasRatio ? QStringLiteral("-")
                                 : differ         ? QStringLiteral("differ")
                                                  : QStringLiteral("same")}
                         .join(u'\t'));
    }
    lines.append(QString());
    lines.append(differing.isEmpty()
                     ? QStringLiteral("The four methods rank the alternatives alike.")
                     : QStringLiteral("The ranking differs between the methods for: %1.").arg(differing.join(QStringLiteral(", "))));
    if (!verdicts.isEmpty())
        lines.append(QStringLiteral("The index and Saaty's ratio fall on different sides of 0.1 for: %1.")
                         .arg(verdicts.join(QStringLiteral(", "))));
    return lines;
}

} // namespace priomat::cli
