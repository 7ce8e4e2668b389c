// The overall evaluation: leaf importances down the tree and the alternatives' points.
#pragma once

#include "model/Document.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <bit>
#include <vector>

namespace priomat {

// One row of a result list: a name and its computed number.
struct ResultRow
{
    QString name;
    double value = 0.0;

    // The number as the lists show it and the files hold it.
    QString text() const;
    friend bool operator==(const ResultRow &a, const ResultRow &b)
    {
        // Bitwise, so an unchanged NaN row is equal to itself.
        return a.name == b.name && std::bit_cast<quint64>(a.value) == std::bit_cast<quint64>(b.value);
    }
};

// The number as its text reads back: rounded to the shown 15 significant digits. Rankings and
// marks use it, so rows that show the same number count as equal.
double ShownValue(double value);

// The two lists of the result window, the evaluation's only output, as numbers.
struct ResultLists
{
    QList<ResultRow> requirements; // one row per leaf, in pre-order
    QList<ResultRow> alternatives; // one row per alternative, in text order

    void clear()
    {
        requirements.clear();
        alternatives.clear();
    }
    friend bool operator==(const ResultLists &, const ResultLists &) = default;
};

// The alternatives' weights under each leaf, kept between evaluations. An entry is valid for
// the alternatives it was computed with; whoever changes a leaf's entries invalidates that leaf.
class LeafWeightCache
{
public:
    const std::vector<double> *find(const QString &leafName, const QStringList &alternatives);
    // Weights computed with `alternatives`; a different list drops what was kept for the old one.
    void store(const QString &leafName, const QStringList &alternatives, std::vector<double> weights);
    void invalidateLeaf(const QString &leafName);
    void clear();

private:
    QStringList alternatives_;
    QHash<QString, std::vector<double>> byLeaf_; // by case-folded leaf name
};

// Appends a row for every leaf below `node`, with `importance` multiplied down by each
// node's LocalWeight, in pre-order.
void CollectLeafImportance(const RequirementNode *node, double importance, QList<ResultRow> &rows);

// When and with what the evaluation runs.
struct RecalculateOptions
{
    bool force = false;     // run even when automatic recalculation is off
    bool automatic = true;  // the "calculate automatically" option
    bool loading = false;   // a document is being installed: never run
    LeafWeightCache *cache = nullptr;
};

// Empties both lists; then, unless (not `force` and not `automatic`) or `loading`, fills them
// from the document's root. On a ComputationError the requirements list is complete, the
// alternatives list stays empty and the error, naming the leaf, is rethrown.
void Recalculate(const Document &document, ResultLists &lists, const RecalculateOptions &options);

} // namespace priomat
