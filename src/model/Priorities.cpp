#include "model/Priorities.h"

#include "model/ComputationError.h"

#include <cmath>

namespace priomat {

using Kind = ComputationError::Kind;

Priorities ComputePriorities(const ComparisonMatrix &matrix)
{
    if (matrix.size() < 2) {
        MatrixValues values;
        values.n = matrix.size();
        return ComputePriorities(values);
    }
    return ComputePriorities(ReadMatrixValues(matrix));
}

Priorities ComputePriorities(const MatrixValues &values)
{
    Priorities result;
    const int n = values.n;
    if (n == 0)
        return result;
    if (n == 1) {
        result.weights = {1.0};
        return result;
    }

    // Row geometric means; the root in extended precision, rounded to a double. Cells without
    // an entry are 1 and leave the product as it is.
    const size_t un = size_t(n);
    std::vector<double> g(un);
    const long double e = 1.0L / static_cast<long double>(n);
    double s = 0.0;
    for (int i = 0; i < n; ++i) {
        const auto row = values.row(i);
        double product = 1.0;
        for (const MatrixValues::Cell &cell : row) {
            product = product * cell.value;
            if (!std::isfinite(product))
                throw ComputationError(Kind::Overflow, *cell.text);
        }
        if (product == 0.0) {
            // A row of tiny entries underflowed: its weight would be 0.
            throw ComputationError(Kind::DivisionByZero, row.empty() ? QString() : *row.front().text);
        }
        g[size_t(i)] = static_cast<double>(std::exp(e * std::log(static_cast<long double>(product))));
        s = s + g[size_t(i)];
    }

    result.weights.resize(un);
    for (int i = 0; i < n; ++i)
        result.weights[size_t(i)] = g[size_t(i)] / s;

    // (A·w)ᵢ summed column by column in order, 1 standing for every cell without an entry.
    double t = 0.0;
    for (int i = 0; i < n; ++i) {
        const auto cells = values.row(i);
        auto next = cells.begin();
        double row = 0.0;
        for (int k = 0; k < n; ++k) {
            double a = 1.0;
            if (next != cells.end() && next->column == k) {
                a = next->value;
                ++next;
            }
            row = row + a * result.weights[size_t(k)];
        }
        const double w = result.weights[size_t(i)];
        if (w == 0.0)
            throw ComputationError(Kind::DivisionByZero, QString());
        t = t + row / w;
    }
    const double lambda = t / n;
    result.consistencyIndex = (lambda - n) / (n - 1);

    if (!std::isfinite(result.consistencyIndex))
        throw ComputationError(Kind::Overflow, QString());
    for (double w : result.weights) {
        if (!std::isfinite(w))
            throw ComputationError(Kind::Overflow, QString());
    }
    return result;
}

void UpdateChildWeights(const ComparisonTable &requirementComparisons, RequirementNode *node)
{
    if (!node || !node->hasChildren())
        return;
    if (node->childCount() == 1) {
        node->child(0)->data().LocalWeight = 1.0;
        node->data().ConsistencyIndex = 0.0;
        return;
    }
    Priorities priorities;
    try {
        priorities = ComputePriorities(ComparisonMatrix(requirementComparisons, node->childCaptions()));
    } catch (ComputationError &error) {
        error.setOwner(node->caption());
        throw;
    }
    for (int j = 0; j < node->childCount(); ++j)
        node->child(j)->data().LocalWeight = priorities.weights[size_t(j)];
    node->data().ConsistencyIndex = priorities.consistencyIndex;
}

void UpdateSubtreeWeights(const ComparisonTable &requirementComparisons, RequirementNode *node)
{
    walkPreOrder(node, [&requirementComparisons](RequirementNode *current, int) {
        UpdateChildWeights(requirementComparisons, current);
    });
}

} // namespace priomat
