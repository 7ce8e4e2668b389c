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

} // namespace priomat::cli
