#include "ComparisonMatrix.h"

namespace priomat {

ComparisonMatrix::ComparisonMatrix(const ComparisonTable &table, const QStringList &names)
    : table_(&table), names_(names)
{
    prepare(QString());
}

ComparisonMatrix::ComparisonMatrix(const ComparisonTable &table, const QString &leafName,
                                   const QStringList &names)
    : table_(&table), names_(names)
{
    prepare(foldKey(leafName) + u'\t');
}

ComparisonMatrix ComparisonMatrix::of(const Document &document, const MatrixItems &items)
{
    if (items.leafShown)
        return ComparisonMatrix(document.AlternativeComparisons, items.leafName, items.names);
    return ComparisonMatrix(document.RequirementComparisons, items.names);
}

void ComparisonMatrix::prepare(const QString &foldedLeafPrefix)
{
    const qsizetype n = names_.size();
    foldedNames_.reserve(n);
    rowPrefixes_.reserve(n);
    rowHasEntries_.reserve(size_t(n));
    for (const QString &name : names_) {
        QString folded = foldKey(name);
        QString prefix = foldedLeafPrefix + folded;
        rowHasEntries_.push_back(table_->hasFoldedPrefix(prefix) ? 1 : 0);
        prefix += u'\t';
        rowPrefixes_.append(std::move(prefix));
        foldedNames_.append(std::move(folded));
    }
}

const QString *ComparisonMatrix::entry(int row, int column) const
{
    if (row == column || !rowHasEntries_[size_t(row)])
        return nullptr;
    return table_->valueOfFolded(rowPrefixes_.at(row) + foldedNames_.at(column));
}

int ComparisonMatrix::missingCount() const
{
    int missing = 0;
    for (int i = 0; i < size(); ++i) {
        for (int j = 0; j < size(); ++j) {
            if (i != j && !entry(i, j))
                ++missing;
        }
    }
    return missing;
}

} // namespace priomat
