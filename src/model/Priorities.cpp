#include "Priorities.h"

#include "ComparisonValue.h"
#include "ComputationError.h"

#include <cmath>

namespace priomat {

namespace {

using Kind = ComputationError::Kind;

double readEntry(const QString &text)
{
    const double value = ReadComparisonValue(text);
    // A 0 makes its row's mean 0 and the division by that weight fails; a negative entry has
    // no real root. Either is refused here, so no NaN or infinity can come out.
    if (value == 0.0)
        throw ComputationError(Kind::DivisionByZero, text);
    if (value < 0.0)
        throw ComputationError(Kind::InvalidOperation, text);
    return value;
}

} // namespace

Priorities ComputePriorities(const ComparisonMatrix &matrix)
{
    Priorities result;
    const int n = matrix.size();
    if (n == 0)
        return result;
    if (n == 1) {
        result.weights = {1.0};
        return result;
    }

    const size_t un = size_t(n);
    std::vector<double> a(un * un, 1.0);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (const QString *text = matrix.entry(i, j))
                a[size_t(i) * un + size_t(j)] = readEntry(*text);
        }
    }

    // Row geometric means; the root in extended precision, rounded to a double.
    std::vector<double> g(un);
    const long double e = 1.0L / static_cast<long double>(n);
    double s = 0.0;
    for (int i = 0; i < n; ++i) {
        double product = 1.0;
        for (int j = 0; j < n; ++j) {
            product = product * a[size_t(i) * un + size_t(j)];
            if (!std::isfinite(product)) {
                const QString *text = matrix.entry(i, j);
                throw ComputationError(Kind::Overflow, text ? *text : QString());
            }
        }
        if (product == 0.0) {
            // Underflow of a row of tiny entries: its weight would be 0.
            const QString *text = nullptr;
            for (int j = 0; j < n && !text; ++j)
                text = matrix.entry(i, j);
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
            row = row + a[size_t(i) * un + size_t(k)] * result.weights[size_t(k)];
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
