#include "document/CsvExport.h"

#include "model/ComparisonMatrix.h"
#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "model/FloatFormat.h"
#include "model/Priorities.h"
#include "model/TextRules.h"

#include <vector>

namespace priomat {

namespace {

// A field with a comma, a double quote, CR or LF goes in double quotes with its quotes doubled
// (RFC 4180); every other field stands as it is.
QString field(const QString &text)
{
    for (const QChar c : text) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            QString quoted = text;
            quoted.replace(u'"', QStringLiteral("\"\""));
            return u'"' + quoted + u'"';
        }
    }
    return text;
}

QString fields(const QStringList &texts)
{
    QString joined;
    for (const QString &text : texts)
        joined += u',' + field(text);
    return joined;
}

// One matrix row: ",1" on the diagonal, the entered value as a number, or ",-".
void appendCells(QString &line, const ComparisonMatrix &matrix, int row)
{
    std::vector<const QString *> entries;
    matrix.rowEntries(row, entries);
    for (int column = 0; column < matrix.size(); ++column) {
        line += u',';
        if (column == row) {
            line += u'1';
        } else if (const QString *text = entries[size_t(column)]) {
            line += FormatFloat(ReadComparisonValue(*text));
        } else {
            line += u'-';
        }
    }
}

void appendOutline(QStringList &lines, const RequirementTree &tree)
{
    tree.forEachPreOrder([&lines](RequirementNode *node, int depth) {
        const RequirementNode *parent = node->parent();
        // A first child continues its parent's row, so each node stands in its depth's column.
        if (parent && parent->child(0) == node && !lines.isEmpty())
            lines.last() += u',' + field(node->caption());
        else
            lines.append(QString(depth, u',') + field(node->caption()));
    });
}

void appendRequirementBlocks(QStringList &lines, const Document &document)
{
    struct Frame
    {
        const RequirementNode *node;
        double totalWeight;
    };
    bool firstBlock = true;
    for (int top = 0; top < document.tree.topLevelCount(); ++top) {
        std::vector<Frame> stack{{document.tree.topLevel(top), 1.0}};
        while (!stack.empty()) {
            const Frame frame = stack.back();
            stack.pop_back();
            const RequirementNode *node = frame.node;
            if (!node->hasChildren())
                continue;
            if (!firstBlock)
                lines.append(QString());
            firstBlock = false;

            const QStringList captions = node->childCaptions();
            lines.append(field(node->caption()) + fields(captions) + QStringLiteral(",Weight,Total Weight"));
            const ComparisonMatrix matrix(document.RequirementComparisons, captions);
            try {
                matrix.checkComputable();
            } catch (ComputationError &error) {
                error.setOwner(node->caption());
                throw;
            }
            for (int i = 0; i < node->childCount(); ++i) {
                const double localWeight = node->child(i)->data().LocalWeight;
                QString line = field(captions.at(i));
                try {
                    appendCells(line, matrix, i);
                } catch (ComputationError &error) {
                    error.setOwner(node->caption());
                    throw;
                }
                line += u',' + FormatFloat(localWeight) + u',' + FormatFloat(localWeight * frame.totalWeight);
                lines.append(line);
            }
            for (int i = node->childCount() - 1; i >= 0; --i) {
                const RequirementNode *child = node->child(i);
                stack.push_back({child, frame.totalWeight * child->data().LocalWeight});
            }
        }
    }
}

void appendAlternativeBlocks(QStringList &lines, const Document &document)
{
    const QStringList alternatives = document.alternatives();
    const QString headerTail = fields(alternatives) + QStringLiteral(",Weight");
    bool firstBlock = true;
    document.tree.forEachPreOrder([&](RequirementNode *node, int) {
        if (node->hasChildren())
            return;
        if (!firstBlock)
            lines.append(QString());
        firstBlock = false;
        lines.append(field(node->caption()) + headerTail);
        const ComparisonMatrix matrix(document.AlternativeComparisons, trimBlanks(node->caption()),
                                      alternatives);
        try {
            // Read once: the same numbers give the weights and the cells.
            const MatrixValues values = ReadMatrixValues(matrix);
            const Priorities priorities = ComputePriorities(values);
            for (int i = 0; i < values.n; ++i) {
                QString line = field(alternatives.at(i));
                const auto cells = values.row(i);
                auto next = cells.begin();
                for (int j = 0; j < values.n; ++j) {
                    line += u',';
                    if (i == j) {
                        line += u'1';
                    } else if (next != cells.end() && next->column == j) {
                        line += FormatFloat(next->value);
                        ++next;
                    } else {
                        line += u'-';
                    }
                }
                line += u',' + FormatFloat(priorities.weights[size_t(i)]);
                lines.append(line);
            }
        } catch (ComputationError &error) {
            error.setOwner(node->caption());
            throw;
        }
    });
}

} // namespace

QStringList BuildCsvLines(const Document &document, const ResultLists &results)
{
    QStringList lines;
    lines.append(QStringLiteral("[Requirement Tree]"));
    appendOutline(lines, document.tree);

    lines.append(QString());
    lines.append(QStringLiteral("[Requirement Comparison]"));
    appendRequirementBlocks(lines, document);

    if (!document.alternativesLines.isEmpty()) {
        lines.append(QString());
        lines.append(QStringLiteral("[Alternatives Comparison]"));
        appendAlternativeBlocks(lines, document);
    }

    if (!results.alternatives.isEmpty()) {
        lines.append(QString());
        lines.append(QStringLiteral("[Alternatives]"));
        for (const ResultRow &row : results.alternatives)
            lines.append(field(row.name) + u',' + field(row.text()));
    }
    return lines;
}

} // namespace priomat
