// Read access to one pairwise comparison matrix, built on demand from a table and names.
#pragma once

#include "model/ComparisonTable.h"
#include "model/Document.h"

#include <QStringList>

#include <span>
#include <vector>

namespace priomat {

// The most items a matrix may have for its weights, consistency index or export to be computed.
// Reading a matrix looks up every off-diagonal pair, so the time grows with the square of the
// size: at this size one matrix takes about a second. Larger matrices raise a ComputationError
// of kind TooLarge.
inline constexpr int MaxComputedMatrixSize = 3000;

class ComparisonMatrix
{
public:
    // A requirement matrix: keys are row, TAB, column.
    ComparisonMatrix(const ComparisonTable &table, const QStringList &names);
    // A leaf's alternatives matrix: keys are leaf, TAB, row, TAB, column. `leafName` is used
    // as given; callers pass the trimmed caption.
    ComparisonMatrix(const ComparisonTable &table, const QString &leafName, const QStringList &names);
    // The matrix of the given items in the document's matching table.
    static ComparisonMatrix of(const Document &document, const MatrixItems &items);

    int size() const { return int(names_.size()); }
    const QStringList &names() const { return names_; }
    // The stored value text for row against column, or nullptr when the pair is not entered.
    // The diagonal is never read.
    const QString *entry(int row, int column) const;
    // Every entry of one row at once (nullptr on the diagonal and for pairs not entered).
    void rowEntries(int row, std::vector<const QString *> &entries) const;
    // Off-diagonal cells without an entry.
    qsizetype missingCount() const;
    // Throws ComputationError (TooLarge) when the matrix has more than MaxComputedMatrixSize items.
    void checkComputable() const;

private:
    const ComparisonTable *table_;
    QStringList names_;
    QString leafName_;
    bool leaf_ = false;
};

// A matrix read as numbers, as the computation takes it: 1 on the diagonal and for pairs not
// entered. Only the entered cells are kept, row by row, so the memory grows with the entries,
// not with the square of the size. Reading fails on any value the computation cannot use (not a
// number, 0, negative) and on a matrix larger than MaxComputedMatrixSize.
struct MatrixValues
{
    struct Cell
    {
        int column;
        double value;
        const QString *text; // the entry behind the cell
    };

    int n = 0;
    std::vector<Cell> cells;          // entered off-diagonal cells, by row, then by column
    std::vector<size_t> rowStart;     // n + 1 offsets into `cells`

    std::span<const Cell> row(int i) const
    {
        return std::span<const Cell>(cells).subspan(rowStart[size_t(i)],
                                                    rowStart[size_t(i) + 1] - rowStart[size_t(i)]);
    }
};

// Throws ComputationError.
MatrixValues ReadMatrixValues(const ComparisonMatrix &matrix);

} // namespace priomat
