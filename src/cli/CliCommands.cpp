#include "cli/CliCommands.h"

#include "model/ComparisonMatrix.h"
#include "document/CsvExport.h"
#include "document/DocumentOpen.h"
#include "model/Evaluation.h"
#include "model/FloatFormat.h"
#include "model/Priorities.h"
#include "document/ResultText.h"
#include "model/ComputationError.h"

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

} // namespace priomat::cli
