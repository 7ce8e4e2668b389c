#include "model/Priorities.h"

#include "model/ComputationError.h"

#include <cmath>

namespace priomat {

using Kind = ComputationError::Kind;

Priorities ComputePriorities(const ComparisonMatrix &matrix)
{
    if (matrix.size() < 2)
        return ComputePriorities(MatrixValues{matrix.size(), {}, {}});
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

    // Row geometric means; the root in extended precision, rounded to a double.
    const size_t un = size_t(n);
    std::vector<double> g(un);
    const long double e = 1.0L / static_cast<long double>(n);
    double s = 0.0;
    for (int i = 0; i < n; ++i) {
        double product = 1.0;
        for (int j = 0; j < n; ++j) {
            product = product * values.at(i, j);
            if (!std::isfinite(product)) {
                const QString *text = values.textAt(i, j);
                throw ComputationError(Kind::Overflow, text ? *text : QString());
            }
        }
        if (product == 0.0) {
            // A row of tiny entries underflowed: its weight would be 0.
            const QString *text = nullptr;
            for (int j = 0; j < n && !text; ++j)
                text = values.textAt(i, j);
            throw ComputationError(Kind::DivisionByZero, text ? *text : QString());
        }
        g[size_t(i)] = static_cast<double>(std::exp(e * std::log(static_cast<long double>(product))));
        s = s + g[size_t(i)];
    }

    result.weights.resize(un);
    for (int i = 0; i < n; ++i)
        result.weights[size_t(i)] = g[size_t(i)] / s;

    double t = 0.0;
    for (int i = 0; i < n; ++i) {
        double row = 0.0;
        for (int k = 0; k < n; ++k)
            row = row + values.at(i, k) * result.weights[size_t(k)];
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
