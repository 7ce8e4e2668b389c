#include "model/Document.h"

#include "model/TextRules.h"

namespace priomat {

QStringList AlternativesFromLines(const QStringList &lines)
{
    QStringList names;
    names.reserve(lines.size());
    for (const QString &line : lines) {
        QString name = trimBlanks(line);
        if (!name.isEmpty())
            names.append(std::move(name));
    }
    return names;
}

void Document::reset()
{
    tree.clear();
    tree.appendTopLevel(std::make_unique<RequirementNode>(DefaultRootCaption));
    alternativesLines.clear();
    RequirementComparisons.clear();
    AlternativeComparisons.clear();
}

MatrixItems ItemsUnder(const Document &document, const RequirementNode *node)
{
    MatrixItems items;
    if (!node)
        return items;
    if (node->hasChildren()) {
        items.names = node->childCaptions();
    } else {
        items.names = document.alternatives();
        items.leafShown = true;
        items.leafName = trimBlanks(node->caption());
    }
    return items;
}

void StoreEntry(Document &document, const MatrixItems &items, int aCol, int aRow,
                const QString &value, const QString &reciprocalValue, bool inverse,
                const EntryWriteObserver &observe)
{
    const QString &rowName = items.names.at(aRow - 1);
    const QString &columnName = items.names.at(aCol - 1);
    ComparisonTable &table = items.leafShown ? document.AlternativeComparisons
                                             : document.RequirementComparisons;
    auto keyOf = [&items](const QString &row, const QString &column) {
        return items.leafShown ? alternativeKey(items.leafName, row, column)
                               : requirementKey(row, column);
    };
    auto store = [&](const QString &key, const QString &text) {
        const std::optional<qsizetype> index = table.find(key);
        if (observe)
            observe(key, text, index);
        if (index)
            table.setValueAt(*index, text);
        else
            table.append(key, text);
    };
    store(keyOf(rowName, columnName), value);
    if (inverse)
        store(keyOf(columnName, rowName), reciprocalValue);
}

} // namespace priomat
