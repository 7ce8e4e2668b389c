#include "document/ResultText.h"

namespace priomat {

QStringList BuildResultTextLines(const ResultLists &results)
{
    QStringList lines;
    lines.append(QStringLiteral("[Requirements]"));
    for (const ResultRow &row : results.requirements)
        lines.append(row.name + u'\t' + row.text());
    lines.append(QString());
    lines.append(QStringLiteral("[Alternatives]"));
    for (const ResultRow &row : results.alternatives)
        lines.append(row.name + u'\t' + row.text());
    return lines;
}

} // namespace priomat
