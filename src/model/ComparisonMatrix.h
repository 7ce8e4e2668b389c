// Read access to one pairwise comparison matrix, built on demand from a table and names.
#pragma once

#include "model/ComparisonTable.h"
#include "model/Document.h"

#include <QStringList>

#include <vector>

namespace priomat {

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
    int missingCount() const;

private:
    const ComparisonTable *table_;
    QStringList names_;
    QString leafName_;
    bool leaf_ = false;
};

// A matrix read as numbers, as the computation takes it: 1 on the diagonal and for pairs not
// entered. Reading fails on any value the computation cannot use (not a number, 0, negative).
struct MatrixValues
{
    int n = 0;
    std::vector<double> a;             // row-major n × n
    std::vector<const QString *> text; // the entry behind each cell, nullptr when not entered

    double at(int row, int column) const { return a[size_t(row) * size_t(n) + size_t(column)]; }
    const QString *textAt(int row, int column) const
    {
        return text[size_t(row) * size_t(n) + size_t(column)];
    }
};

// Throws ComputationError.
MatrixValues ReadMatrixValues(const ComparisonMatrix &matrix);

} // namespace priomat
