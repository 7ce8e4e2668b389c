#include "model/Evaluation.h"

#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "model/FloatFormat.h"
#include "model/Priorities.h"
#include "model/TextRules.h"

#include <cmath>
#include <vector>

namespace priomat {

QString ResultRow::text() const
{
    return FormatFloat(value);
}

double ShownValue(double value)
{
    bool ok = false;
    const double shown = std::isfinite(value) ? FormatFloat(value).toDouble(&ok) : value;
    return ok && std::isfinite(shown) ? shown : value;
}

void CollectLeafImportance(const RequirementNode *node, double importance, QList<ResultRow> &rows)
{
    if (!node)
        return;
    struct Frame
    {
        const RequirementNode *node;
        double importance;
    };
    std::vector<Frame> stack{{node, importance}};
    while (!stack.empty()) {
        const Frame frame = stack.back();
        stack.pop_back();
        if (!frame.node->hasChildren()) {
            rows.append({frame.node->caption(), frame.importance});
            continue;
        }
        for (int i = frame.node->childCount() - 1; i >= 0; --i) {
            const RequirementNode *child = frame.node->child(i);
            stack.push_back({child, frame.importance * child->data().LocalWeight});
        }
    }
}

const std::vector<double> *LeafWeightCache::find(const QString &leafName, const QStringList &alternatives)
{
    if (alternatives != alternatives_) {
        byLeaf_.clear();
        alternatives_ = alternatives;
        return nullptr;
    }
    const auto it = byLeaf_.constFind(leafName.toCaseFolded());
    return it == byLeaf_.constEnd() ? nullptr : &it.value();
}

void LeafWeightCache::store(const QString &leafName, const QStringList &alternatives,
                            std::vector<double> weights)
{
    if (alternatives != alternatives_) {
        byLeaf_.clear();
        alternatives_ = alternatives;
    }
    byLeaf_.insert(leafName.toCaseFolded(), std::move(weights));
}

void LeafWeightCache::invalidateLeaf(const QString &leafName)
{
    byLeaf_.remove(leafName.toCaseFolded());
}

void LeafWeightCache::clear()
{
    byLeaf_.clear();
    alternatives_.clear();
}

void Recalculate(const Document &document, ResultLists &lists, const RecalculateOptions &options)
{
    lists.clear();
    if ((!options.force && !options.automatic) || options.loading)
        return;
    LeafWeightCache *cache = options.cache;

    QList<ResultRow> requirements;
    CollectLeafImportance(document.tree.root(), 1.0, requirements);
    lists.requirements = requirements;

    const QStringList alternatives = document.alternatives();
    std::vector<double> points(size_t(alternatives.size()), 0.0);
    if (!alternatives.isEmpty()) {
        for (const ResultRow &row : requirements) {
            const QString leafName = trimBlanks(row.name);
            std::vector<double> computed;
            const std::vector<double> *weights = cache ? cache->find(leafName, alternatives) : nullptr;
            double importance = 0.0;
            try {
                if (!weights) {
                    computed = ComputePriorities(
                        ComparisonMatrix(document.AlternativeComparisons, leafName, alternatives)).weights;
                    weights = &computed;
                }
                // The importance as displayed, so the points agree with the list.
                importance = ReadDecimal(FormatFloat(row.value));
            } catch (ComputationError &error) {
                error.setOwner(row.name);
                throw;
            }
            for (size_t k = 0; k < points.size(); ++k)
                points[k] = points[k] + importance * (*weights)[k];
            if (cache && weights == &computed)
                cache->store(leafName, alternatives, std::move(computed));
        }
    }
    for (qsizetype k = 0; k < alternatives.size(); ++k)
        lists.alternatives.append({alternatives.at(k), points[size_t(k)]});
}

} // namespace priomat
