#include "model/ComparisonMatrix.h"

#include "model/ComparisonValue.h"
#include "model/ComputationError.h"

namespace priomat {

ComparisonMatrix::ComparisonMatrix(const ComparisonTable &table, const QStringList &names)
    : table_(&table), names_(names)
{}

ComparisonMatrix::ComparisonMatrix(const ComparisonTable &table, const QString &leafName,
                                   const QStringList &names)
    : table_(&table), names_(names), leafName_(leafName), leaf_(true)
{}

ComparisonMatrix ComparisonMatrix::of(const Document &document, const MatrixItems &items)
{
    if (items.leafShown)
        return ComparisonMatrix(document.AlternativeComparisons, items.leafName, items.names);
    return ComparisonMatrix(document.RequirementComparisons, items.names);
}

const QString *ComparisonMatrix::entry(int row, int column) const
{
    if (row == column)
        return nullptr;
    const QString &rowName = names_.at(row);
    const QString &columnName = names_.at(column);
    return leaf_ ? table_->value(KeyFields(leafName_, rowName, columnName))
                 : table_->value(KeyFields(rowName, columnName));
}

void ComparisonMatrix::rowEntries(int row, std::vector<const QString *> &entries) const
{
    const int n = size();
    std::vector<KeyFields> keys;
    keys.reserve(size_t(n));
    const QString &rowName = names_.at(row);
    for (int column = 0; column < n; ++column) {
        if (leaf_)
            keys.emplace_back(leafName_, rowName, names_.at(column));
        else
            keys.emplace_back(rowName, names_.at(column));
    }
    entries.resize(size_t(n));
    table_->valuesOf(keys.data(), n, entries.data());
    entries[size_t(row)] = nullptr; // the diagonal is never read
}

qsizetype ComparisonMatrix::missingCount() const
{
    checkComputable();
    qsizetype missing = 0;
    std::vector<const QString *> row;
    for (int i = 0; i < size(); ++i) {
        rowEntries(i, row);
        for (int j = 0; j < size(); ++j) {
            if (i != j && !row[size_t(j)])
                ++missing;
        }
    }
    return missing;
}

void ComparisonMatrix::checkComputable() const
{
    if (size() > MaxComputedMatrixSize)
        throw ComputationError::tooLarge(size());
}

MatrixValues ReadMatrixValues(const ComparisonMatrix &matrix)
{
    using Kind = ComputationError::Kind;
    matrix.checkComputable();
    MatrixValues values;
    values.n = matrix.size();
    values.rowStart.reserve(size_t(values.n) + 1);
    values.rowStart.push_back(0);
    std::vector<const QString *> row;
    for (int i = 0; i < values.n; ++i) {
        matrix.rowEntries(i, row);
        for (int j = 0; j < values.n; ++j) {
            const QString *text = row[size_t(j)];
            if (!text)
                continue;
            const double value = ReadComparisonValue(*text);
            // A 0 makes its row's mean 0 and the division by that weight fails; a negative
            // entry has no real root. Both are refused, so no NaN or infinity can come out.
            if (value == 0.0)
                throw ComputationError(Kind::DivisionByZero, *text);
            if (value < 0.0)
                throw ComputationError(Kind::InvalidOperation, *text);
            values.cells.push_back({j, value, text});
        }
        values.rowStart.push_back(values.cells.size());
    }
    return values;
}

} // namespace priomat
