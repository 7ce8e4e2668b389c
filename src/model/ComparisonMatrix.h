// Read access to one pairwise comparison matrix, built on demand from a table and names.
#pragma once

#include "ComparisonTable.h"
#include "Document.h"

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
    // Off-diagonal cells without an entry.
    int missingCount() const;

private:
    void prepare(const QString &foldedLeafPrefix);

    const ComparisonTable *table_;
    QStringList names_;
    QStringList foldedNames_;
    QStringList rowPrefixes_;        // folded key up to the column name
    std::vector<char> rowHasEntries_; // lets empty rows skip their lookups
};

} // namespace priomat
