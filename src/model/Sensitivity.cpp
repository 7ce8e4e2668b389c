#include "model/Sensitivity.h"

#include "model/ComparisonMatrix.h"
#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "model/FloatFormat.h"
#include "model/Priorities.h"
#include "model/TextRules.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace priomat {

namespace {

QString leafKey(const QString &trimmedName)
{
    return trimmedName.toCaseFolded();
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// One cell of a matrix set to a new value.
struct CellChange
{
    int row;
    int column;
    double value;
    const QString *text;
};

// A copy of `base` with the changes applied in order (a later change of the same cell wins).
MatrixValues withChanges(const MatrixValues &base, const std::vector<CellChange> &changes)
{
    MatrixValues changed;
    changed.n = base.n;
    changed.cells.reserve(base.cells.size() + changes.size());
    changed.rowStart.reserve(size_t(base.n) + 1);
    changed.rowStart.push_back(0);
    std::vector<MatrixValues::Cell> row;
    for (int i = 0; i < base.n; ++i) {
        const auto cells = base.row(i);
        bool touched = false;
        for (const CellChange &change : changes)
            touched = touched || change.row == i;
        if (!touched) {
            changed.cells.insert(changed.cells.end(), cells.begin(), cells.end());
        } else {
            row.assign(cells.begin(), cells.end());
            for (const CellChange &change : changes) {
                if (change.row != i)
                    continue;
                auto at = std::lower_bound(row.begin(), row.end(), change.column,
                                           [](const MatrixValues::Cell &cell, int column) {
                                               return cell.column < column;
                                           });
                if (at != row.end() && at->column == change.column)
                    *at = {change.column, change.value, change.text};
                else
                    row.insert(at, {change.column, change.value, change.text});
            }
            changed.cells.insert(changed.cells.end(), row.begin(), row.end());
        }
        changed.rowStart.push_back(changed.cells.size());
    }
    return changed;
}

// The weights of a matrix with a few cells changed, as ComputePriorities would give them, but
// recomputing only the changed rows' geometric means: the same products in the same order,
// the same root, the same sum. Falls back to the full computation (and its errors) when a
// changed row's product leaves the range of a double.
class ChangedWeights
{
public:
    explicit ChangedWeights(const MatrixValues &values) : values_(values), e_(1.0L / static_cast<long double>(values.n))
    {
        g_.resize(size_t(values.n));
        for (int i = 0; i < values.n; ++i) {
            double product = 1.0;
            for (const MatrixValues::Cell &cell : values.row(i))
                product = product * cell.value;
            g_[size_t(i)] = root(product);
        }
    }

    std::vector<double> weights(const std::vector<CellChange> &changes) const
    {
        const int n = values_.n;
        if (n < 2)
            return ComputePriorities(withChanges(values_, changes)).weights;
        std::vector<double> g = g_;
        for (const CellChange &first : changes) {
            const int i = first.row;
            bool done = false;
            for (const CellChange &earlier : changes) {
                if (&earlier == &first)
                    break;
                done = done || earlier.row == i;
            }
            if (done)
                continue;
            // The row's product in column order, each changed cell at its place (last change wins).
            double product = 1.0;
            const auto cells = values_.row(i);
            auto next = cells.begin();
            for (int k = 0; k < n; ++k) {
                const double *value = nullptr;
                if (next != cells.end() && next->column == k) {
                    value = &next->value;
                    ++next;
                }
                for (const CellChange &change : changes) {
                    if (change.row == i && change.column == k)
                        value = &change.value;
                }
                if (value)
                    product = product * *value;
            }
            if (!std::isfinite(product) || product == 0.0)
                return ComputePriorities(withChanges(values_, changes)).weights;
            g[size_t(i)] = root(product);
        }
        double s = 0.0;
        for (double x : g)
            s = s + x;
        for (double &x : g)
            x = x / s;
        return g;
    }

private:
    double root(double product) const
    {
        return static_cast<double>(std::exp(e_ * std::log(static_cast<long double>(product))));
    }

    const MatrixValues &values_;
    long double e_;
    std::vector<double> g_;
};

// For each of `names`, the items of a matrix of `items` that carry it, letter case ignored as
// the tables ignore it.
std::vector<std::vector<int>> matchingItems(const QStringList &names, const QStringList &items)
{
    std::vector<std::vector<int>> matches(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        for (qsizetype p = 0; p < items.size(); ++p) {
            if (sameName(names.at(i), items.at(p)))
                matches[size_t(i)].push_back(int(p));
        }
    }
    return matches;
}

// Cells that an entry under the names (a, b) reaches: every row named a against every column
// named b.
void addChanges(const std::vector<int> &rowsNamedA, const std::vector<int> &columnsNamedB, double value,
                const QString *text, std::vector<CellChange> &changes)
{
    for (int p : rowsNamedA) {
        for (int q : columnsNamedB) {
            if (q != p)
                changes.push_back({p, q, value, text});
        }
    }
}

QString nameOf(int index, const QStringList &alternatives)
{
    return index >= 0 && index < alternatives.size() ? alternatives.at(index) : NoChange;
}

} // namespace

QStringList TippingPointCells(const TippingPoint &point, const QStringList &alternatives)
{
    return {point.caption,
            FormatFloat(point.weight),
            nameOf(point.currentWinner, alternatives),
            point.below ? FormatFloat(*point.below) : NoChange,
            point.below ? nameOf(point.winnerBelow, alternatives) : NoChange,
            point.above ? FormatFloat(*point.above) : NoChange,
            point.above ? nameOf(point.winnerAbove, alternatives) : NoChange};
}

QStringList JudgementCells(const JudgementRobustness &pair, const QStringList &alternatives)
{
    QStringList cells{pair.rowName, pair.columnName, pair.value};
    for (const JudgementStep *step : {&pair.lower, &pair.higher}) {
        if (step->found)
            cells << step->value << QString::number(step->steps) << nameOf(step->winner, alternatives);
        else
            cells << NoChange << NoChange << NoChange;
    }
    const int nearest = pair.nearestSteps();
    cells << (nearest == 0 || nearest > CloseJudgementSteps ? QString() : QString(CloseJudgementSteps + 1 - nearest, u'!'));
    return cells;
}

int BestAlternative(const std::vector<double> &points)
{
    if (points.empty())
        return -1;
    const double maximum = *std::max_element(points.begin(), points.end());
    const double tolerance = 1e-12 * std::max(1.0, std::abs(maximum));
    for (size_t k = 0; k < points.size(); ++k) {
        if (points[k] >= maximum - tolerance)
            return int(k);
    }
    return -1;
}

int WinnerAfterChange(const std::vector<double> &points, int current)
{
    const int best = BestAlternative(points);
    if (best < 0 || current < 0 || size_t(current) >= points.size())
        return best;
    const double maximum = points[size_t(best)];
    const double tolerance = 1e-12 * std::max(1.0, std::abs(maximum));
    return points[size_t(current)] >= maximum - tolerance ? current : best;
}

int JudgementRobustness::nearestSteps() const
{
    if (lower.found && higher.found)
        return std::min(lower.steps, higher.steps);
    if (lower.found)
        return lower.steps;
    return higher.found ? higher.steps : 0;
}

SensitivityAnalysis::SensitivityAnalysis(const Document &document, const LeafWeightsSource &leafWeights)
    : document_(document), alternatives_(document.alternatives())
{
    const size_t k = size_t(alternatives_.size());
    walkPreOrder(document.tree.root(), [this](RequirementNode *node, int) {
        index_.insert(node, int(nodes_.size()));
        NodeInfo info;
        info.node = node;
        if (node->parent() && index_.contains(node->parent()))
            info.path = nodes_[size_t(index_.value(node->parent()))].path * node->data().LocalWeight;
        nodes_.push_back(std::move(info));
    });

    // Leaves first: every distinct leaf name once, as the evaluation would compute it.
    for (NodeInfo &info : nodes_) {
        if (info.node->hasChildren())
            continue;
        const QString name = trimBlanks(info.node->caption());
        const QString key = leafKey(name);
        auto found = leafWeights_.find(key);
        if (found == leafWeights_.end()) {
            std::vector<double> weights;
            if (k > 0) {
                try {
                    weights = leafWeights ? leafWeights(name)
                                          : ComputePriorities(ComparisonMatrix(document.AlternativeComparisons,
                                                                               name, alternatives_))
                                                .weights;
                } catch (ComputationError &error) {
                    error.setOwner(info.node->caption());
                    throw;
                }
            }
            weights.resize(k, 0.0);
            found = leafWeights_.emplace(key, std::move(weights)).first;
        }
        info.leafWeights = &found->second;
    }
    // Then every node's share bottom-up: reversed pre-order visits children before parents.
    for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) {
        NodeInfo &info = *it;
        if (info.leafWeights) {
            info.subtree = *info.leafWeights;
            continue;
        }
        info.subtree.assign(k, 0.0);
        for (int j = 0; j < info.node->childCount(); ++j) {
            const RequirementNode *child = info.node->child(j);
            const double v = child->data().LocalWeight;
            const std::vector<double> &below = nodes_[size_t(index_.value(child))].subtree;
            for (size_t a = 0; a < k; ++a)
                info.subtree[a] += v * below[a];
        }
    }
    if (!nodes_.empty())
        points_ = nodes_.front().subtree;
    winner_ = BestAlternative(points_);
}

const SensitivityAnalysis::NodeInfo &SensitivityAnalysis::info(const RequirementNode *node) const
{
    return nodes_[size_t(index_.value(node))];
}

std::vector<double> SensitivityAnalysis::pointsWithOverrides(
    const QHash<const RequirementNode *, std::vector<double>> &childWeights) const
{
    const size_t k = size_t(alternatives_.size());
    std::vector<std::vector<double>> subtree(nodes_.size());
    for (size_t i = nodes_.size(); i-- > 0;) {
        const NodeInfo &info = nodes_[i];
        if (info.leafWeights) {
            subtree[i] = *info.leafWeights;
            continue;
        }
        const auto override = childWeights.constFind(info.node);
        subtree[i].assign(k, 0.0);
        for (int j = 0; j < info.node->childCount(); ++j) {
            const RequirementNode *child = info.node->child(j);
            const double v = override != childWeights.constEnd() ? (*override)[size_t(j)]
                                                                  : child->data().LocalWeight;
            const std::vector<double> &below = subtree[size_t(index_.value(child))];
            for (size_t a = 0; a < k; ++a)
                subtree[i][a] += v * below[a];
        }
    }
    return subtree.empty() ? std::vector<double>() : subtree.front();
}

WeightSensitivity SensitivityAnalysis::weightSensitivity(const RequirementNode *node, int child) const
{
    WeightSensitivity result;
    result.child = child;
    if (!node || !index_.contains(node) || child < 0 || child >= node->childCount())
        return result;
    const size_t k = size_t(alternatives_.size());
    const int m = node->childCount();
    const NodeInfo &self = info(node);
    const double vi = node->child(child)->data().LocalWeight;
    result.currentWeight = vi;

    // points(x) = rest + path · (x · U_child + (1 − x) · others), where `others` is the siblings'
    // share with their weights scaled to sum to 1.
    std::vector<double> others(k, 0.0);
    double siblingSum = 0.0;
    for (int j = 0; j < m; ++j) {
        if (j != child)
            siblingSum += node->child(j)->data().LocalWeight;
    }
    for (int j = 0; j < m; ++j) {
        if (j == child)
            continue;
        const double share = siblingSum > 0.0 ? node->child(j)->data().LocalWeight / siblingSum : 1.0 / (m - 1);
        const std::vector<double> &below = info(node->child(j)).subtree;
        for (size_t a = 0; a < k; ++a)
            others[a] += share * below[a];
    }
    const std::vector<double> &varied = info(node->child(child)).subtree;
    result.lines.resize(k);
    for (size_t a = 0; a < k; ++a) {
        const double rest = points_[a] - self.path * self.subtree[a];
        result.lines[a] = {rest + self.path * others[a], self.path * (varied[a] - others[a])};
    }

    // The best line can change only where two lines meet; between two such weights it is fixed.
    std::vector<double> breaks{0.0, 1.0};
    for (size_t a = 0; a < k; ++a) {
        for (size_t b = a + 1; b < k; ++b) {
            const double ds = result.lines[a].slope - result.lines[b].slope;
            if (ds == 0.0)
                continue;
            const double x = (result.lines[b].offset - result.lines[a].offset) / ds;
            if (x > 0.0 && x < 1.0)
                breaks.push_back(x);
        }
    }
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    std::vector<double> values(k);
    auto bestAt = [&](double x) {
        for (size_t a = 0; a < k; ++a)
            values[a] = result.lines[a].at(x);
        return BestAlternative(values);
    };
    int previous = -1;
    for (size_t s = 0; s + 1 < breaks.size(); ++s) {
        const int best = bestAt((breaks[s] + breaks[s + 1]) / 2.0);
        if (previous >= 0 && best != previous) {
            const PointLine &l = result.lines[size_t(previous)];
            const PointLine &r = result.lines[size_t(best)];
            double x = l.slope != r.slope ? (r.offset - l.offset) / (l.slope - r.slope) : breaks[s];
            if (!(x > breaks[s - 1] && x < breaks[s + 1]))
                x = breaks[s]; // three lines meeting in one point, split by rounding
            result.crossovers.push_back({x, previous, best});
        }
        previous = best;
    }
    result.currentWinner = bestAt(vi);
    return result;
}

std::vector<TippingPoint> SensitivityAnalysis::tippingPoints(const RequirementNode *node) const
{
    std::vector<TippingPoint> points;
    if (!node || node->childCount() < 2)
        return points;
    for (int j = 0; j < node->childCount(); ++j) {
        const WeightSensitivity chart = weightSensitivity(node, j);
        TippingPoint tip;
        tip.child = j;
        tip.caption = node->child(j)->caption();
        tip.weight = chart.currentWeight;
        tip.currentWinner = chart.currentWinner;
        for (const Crossover &crossover : chart.crossovers) {
            if (crossover.weight < tip.weight) {
                tip.below = crossover.weight;
                tip.winnerBelow = crossover.before;
            } else if (crossover.weight > tip.weight && !tip.above) {
                tip.above = crossover.weight;
                tip.winnerAbove = crossover.after;
            }
        }
        points.push_back(tip);
    }
    return points;
}

std::vector<JudgementRobustness> SensitivityAnalysis::judgementRobustness(const MatrixItems &items,
                                                                          bool inverse) const
{
    std::vector<JudgementRobustness> result;
    const QStringList &names = items.names;
    if (names.size() < 2 || alternatives_.isEmpty())
        return result;
    const MatrixValues values = ReadMatrixValues(ComparisonMatrix::of(document_, items));
    const size_t k = size_t(alternatives_.size());

    // Who else reads these entries: the leaves of the same name, or the nodes whose children
    // carry two of these names.
    double leafImportance = 0.0;
    const std::vector<double> *leafWeights = nullptr;
    struct Reader
    {
        const RequirementNode *node;
        QStringList names;
        MatrixValues values;
        std::unique_ptr<ChangedWeights> weights;
        std::vector<std::vector<int>> matches; // by index into `names`
    };
    std::vector<Reader> readers;
    if (items.leafShown) {
        const QString key = leafKey(items.leafName);
        for (const NodeInfo &info : nodes_) {
            if (info.leafWeights && leafKey(trimBlanks(info.node->caption())) == key) {
                leafImportance += info.path;
                leafWeights = info.leafWeights;
            }
        }
        if (!leafWeights)
            leafImportance = 0.0;
    } else {
        for (const NodeInfo &info : nodes_) {
            const RequirementNode *node = info.node;
            if (node->childCount() < 2)
                continue;
            const QStringList captions = node->childCaptions();
            int shared = 0;
            for (const QString &caption : captions) {
                if (names.contains(caption, Qt::CaseInsensitive))
                    ++shared;
            }
            if (shared < 2)
                continue;
            readers.push_back({node, captions,
                               captions == names ? values
                                                 : ReadMatrixValues(ComparisonMatrix(document_.RequirementComparisons,
                                                                                     captions)),
                               nullptr, matchingItems(names, captions)});
        }
        for (Reader &reader : readers)
            reader.weights = std::make_unique<ChangedWeights>(reader.values);
    }

    const ChangedWeights leafChange(values);
    const std::vector<std::vector<int>> ownMatches = matchingItems(names, names);
    struct ScaleStep
    {
        QString text;
        QString reciprocal;
        double number;
        double reciprocalNumber;
    };
    std::vector<ScaleStep> scale(ScaleLastPosition + 1);
    for (int position = ScaleFirstPosition; position <= ScaleLastPosition; ++position) {
        ScaleStep &step = scale[size_t(position)];
        step = {ScaleText(position), ScaleReciprocalText(position), 0.0, 0.0};
        step.number = ReadComparisonValue(step.text);
        step.reciprocalNumber = ReadComparisonValue(step.reciprocal);
    }

    // The points after the pair (row, column) took a scale step (and its reciprocal with `inverse`).
    auto pointsAfter = [&](int row, int column, const ScaleStep &step) {
        std::vector<double> points = points_;
        std::vector<CellChange> changes;
        if (items.leafShown) {
            if (!leafWeights)
                return points;
            addChanges(ownMatches[size_t(row)], ownMatches[size_t(column)], step.number, &step.text, changes);
            if (inverse)
                addChanges(ownMatches[size_t(column)], ownMatches[size_t(row)], step.reciprocalNumber,
                           &step.reciprocal, changes);
            const std::vector<double> weights = leafChange.weights(changes);
            for (size_t x = 0; x < k; ++x)
                points[x] += leafImportance * (weights[x] - (*leafWeights)[x]);
            return points;
        }
        QHash<const RequirementNode *, std::vector<double>> changed;
        for (const Reader &reader : readers) {
            changes.clear();
            const std::vector<int> &namedA = reader.matches[size_t(row)];
            const std::vector<int> &namedB = reader.matches[size_t(column)];
            addChanges(namedA, namedB, step.number, &step.text, changes);
            if (inverse)
                addChanges(namedB, namedA, step.reciprocalNumber, &step.reciprocal, changes);
            if (!changes.empty())
                changed.insert(reader.node, reader.weights->weights(changes));
        }
        if (changed.size() != 1)
            return changed.isEmpty() ? points : pointsWithOverrides(changed);
        // One node reads the pair: only its children's shares change.
        const RequirementNode *node = changed.constBegin().key();
        const std::vector<double> &weights = changed.constBegin().value();
        const double path = info(node).path;
        for (int j = 0; j < node->childCount(); ++j) {
            const double delta = path * (weights[size_t(j)] - node->child(j)->data().LocalWeight);
            const std::vector<double> &below = info(node->child(j)).subtree;
            for (size_t x = 0; x < k; ++x)
                points[x] += delta * below[x];
        }
        return points;
    };

    auto stepFrom = [&](JudgementRobustness &pair, int position, int direction) {
        JudgementStep step;
        for (int steps = 1;; ++steps) {
            const int next = position + direction * steps;
            if (next < ScaleFirstPosition || next > ScaleLastPosition)
                break;
            const int best = WinnerAfterChange(pointsAfter(pair.row, pair.column, scale[size_t(next)]), winner_);
            if (best != winner_) {
                step = {true, scale[size_t(next)].text, steps, best};
                break;
            }
        }
        return step;
    };

    for (int i = 0; i < values.n; ++i) {
        for (const MatrixValues::Cell &cell : values.row(i)) {
            const int j = cell.column;
            // With reciprocal entry both halves of a pair change together: list the pair once.
            if (inverse && i > j) {
                const auto mirror = values.row(j);
                if (std::any_of(mirror.begin(), mirror.end(),
                                [i](const MatrixValues::Cell &c) { return c.column == i; }))
                    continue;
            }
            JudgementRobustness pair;
            pair.row = i;
            pair.column = j;
            pair.rowName = names.at(i);
            pair.columnName = names.at(j);
            pair.value = *cell.text;
            int position = 0;
            try {
                position = ReadScalePosition(pair.value).position;
                pair.onScale = ReadComparisonValue(ScaleText(position)) == cell.value;
            } catch (const ComputationError &) {
                pair.onScale = false;
            }
            if (pair.onScale) {
                pair.lower = stepFrom(pair, position, -1);
                pair.higher = stepFrom(pair, position, +1);
            }
            result.push_back(pair);
        }
    }
    std::sort(result.begin(), result.end(), [](const JudgementRobustness &x, const JudgementRobustness &y) {
        return std::min(x.row, x.column) != std::min(y.row, y.column)
                   ? std::min(x.row, x.column) < std::min(y.row, y.column)
                   : std::max(x.row, x.column) != std::max(y.row, y.column)
                         ? std::max(x.row, x.column) < std::max(y.row, y.column)
                         : x.row < y.row;
    });
    return result;
}

SensitivitySummary SummarizeSensitivity(const std::vector<double> &points, const std::vector<TippingPoint> &tipping,
                                        const std::vector<JudgementRobustness> &judgements)
{
    SensitivitySummary summary;
    summary.winner = BestAlternative(points);
    for (size_t k = 0; k < points.size(); ++k) {
        if (int(k) != summary.winner && (summary.runnerUp < 0 || points[k] > points[size_t(summary.runnerUp)]))
            summary.runnerUp = int(k);
    }
    if (summary.winner >= 0 && summary.runnerUp >= 0)
        summary.lead = points[size_t(summary.winner)] - points[size_t(summary.runnerUp)];
    double distance = 0.0;
    for (const TippingPoint &point : tipping) {
        for (const auto &[at, winner] : {std::pair{point.below, point.winnerBelow}, std::pair{point.above, point.winnerAbove}}) {
            if (!at)
                continue;
            const double d = std::abs(*at - point.weight);
            if (!summary.weight || d < distance) {
                summary.weight = point;
                summary.tippingWeight = *at;
                summary.weightWinner = winner;
                distance = d;
            }
        }
    }
    for (const JudgementRobustness &pair : judgements) {
        const int steps = pair.nearestSteps();
        if (steps > 0 && (!summary.judgement || steps < summary.judgement->nearestSteps())) {
            summary.judgement = pair;
            summary.judgementStep = pair.lower.found && pair.lower.steps == steps ? pair.lower : pair.higher;
        }
    }
    return summary;
}

} // namespace priomat
