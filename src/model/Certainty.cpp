#include "model/Certainty.h"

#include "model/ComparisonMatrix.h"
#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "model/ConsistencyAdvisor.h"
#include "model/FloatFormat.h"
#include "model/Priorities.h"
#include "model/TextRules.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <numeric>
#include <optional>
#include <thread>

namespace priomat {

namespace {

constexpr std::uint64_t Golden = 0x9E3779B97F4A7C15ull;

// SplitMix64's output function (Steele, Lea and Flood, 2014).
std::uint64_t mix64(std::uint64_t x)
{
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// The numbers of the 17 scale texts as the computation reads them; [0] unused.
const std::array<double, 18> &scaleNumbers()
{
    static const std::array<double, 18> numbers = [] {
        std::array<double, 18> result{};
        for (int p = ScaleFirstPosition; p <= ScaleLastPosition; ++p)
            result[size_t(p)] = ReadComparisonValue(ScaleText(p));
        return result;
    }();
    return numbers;
}

// The scale step nearest to `value` on the log scale; beyond the ends, the end.
int nearestPosition(double value)
{
    const auto &numbers = scaleNumbers();
    const double logValue = std::log(value);
    int best = ScaleEqualPosition;
    double bestDistance = std::abs(logValue);
    for (int p = ScaleFirstPosition; p <= ScaleLastPosition; ++p) {
        const double distance = std::abs(logValue - std::log(numbers[size_t(p)]));
        if (distance < bestDistance) {
            best = p;
            bestDistance = distance;
        }
    }
    return best;
}

// One matrix of the evaluation: the entered cells and, for every pair entered on one side only,
// the other side as 1, so that a moved pair can take its reciprocal there.
struct PlanMatrix
{
    bool requirements = true;
    QString owner;
    MatrixValues base;
    // Per cell: the judgement moving it times 2, plus 1 when the cell takes its reciprocal.
    std::vector<std::uint32_t> cellCode;
    std::vector<int> judgements;      // the judgements met in it
    std::vector<double> weightsNow;
};

struct PlanJudgement
{
    int position = ScaleEqualPosition; // where it starts, oriented row against column
    bool movable = true;
    int matrix = -1;                   // where it was met first
    QString rowName, columnName, value;
};

// Pre-order over the root's subtree.
struct PlanNode
{
    int parent = -1;
    int childIndex = 0;   // among the parent's children
    int childMatrix = -1; // the matrix of its children when it has two or more
    int leafMatrix = -1;  // leaves: the alternatives' matrix, -1 with fewer than two alternatives
    bool leaf = false;
};

struct Plan
{
    std::vector<PlanMatrix> matrices;
    std::vector<PlanJudgement> judgements;
    std::vector<PlanNode> nodes;
    int alternatives = 0;
};

// A pair by the table entries behind its two cells (-1 for a cell not entered): the same entries
// read in another matrix are the same judgement.
struct PairKey
{
    qsizetype first;
    qsizetype second;
    friend bool operator==(const PairKey &, const PairKey &) = default;
};
size_t qHash(const PairKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.first, key.second);
}

// With `known` null the matrix is only read, as entered, without its judgements.
void addMatrix(Plan &plan, QHash<PairKey, int> *known, const ComparisonTable &table, const QString *leafName,
               const QStringList &names, const QString &owner)
{
    PlanMatrix planned;
    planned.requirements = !leafName;
    planned.owner = owner;
    const ComparisonMatrix matrix = leafName ? ComparisonMatrix(table, *leafName, names) : ComparisonMatrix(table, names);
    MatrixValues entered;
    try {
        entered = ReadMatrixValues(matrix);
    } catch (ComputationError &error) {
        error.setOwner(owner);
        throw;
    }
    if (!known) {
        planned.base = std::move(entered);
        plan.matrices.push_back(std::move(planned));
        return;
    }
    const int n = entered.n;
    // Every cell of a pair with at least one side entered.
    std::vector<std::vector<MatrixValues::Cell>> rows(static_cast<size_t>(n));
    std::vector<qsizetype> dense(size_t(n) * size_t(n), -1);
    for (int i = 0; i < n; ++i) {
        for (const MatrixValues::Cell &cell : entered.row(i)) {
            rows[size_t(i)].push_back(cell);
            const std::optional<qsizetype> index =
                leafName ? table.find(KeyFields(*leafName, names.at(i), names.at(cell.column)))
                         : table.find(KeyFields(names.at(i), names.at(cell.column)));
            dense[size_t(i) * size_t(n) + size_t(cell.column)] = index.value_or(-1);
        }
    }
    for (int i = 0; i < n; ++i) {
        for (const MatrixValues::Cell &cell : entered.row(i)) {
            if (dense[size_t(cell.column) * size_t(n) + size_t(i)] < 0)
                rows[size_t(cell.column)].push_back({i, 1.0, cell.text});
        }
    }
    planned.base.n = n;
    planned.base.rowStart.push_back(0);
    for (int i = 0; i < n; ++i) {
        auto &row = rows[size_t(i)];
        std::sort(row.begin(), row.end(), [](const auto &a, const auto &b) { return a.column < b.column; });
        for (const MatrixValues::Cell &cell : row) {
            const int row = std::min(i, cell.column), column = std::max(i, cell.column);
            const qsizetype upper = dense[size_t(row) * size_t(n) + size_t(column)];
            const qsizetype lower = dense[size_t(column) * size_t(n) + size_t(row)];
            const bool above = i < cell.column;
            int judgement = -1;
            bool flipped = false;
            if (const auto it = known->constFind({upper, lower}); it != known->constEnd()) {
                judgement = it.value();
            } else if (const auto mirrored = known->constFind({lower, upper}); mirrored != known->constEnd()) {
                judgement = mirrored.value();
                flipped = true;
            } else {
                PlanJudgement added;
                // Oriented row against column, as the cell above the diagonal reads.
                const QString &enteredText = table.valueAt(upper >= 0 ? upper : lower);
                const double value = upper >= 0 ? ReadComparisonValue(enteredText) : 1.0 / ReadComparisonValue(enteredText);
                added.position = nearestPosition(value);
                added.movable = upper != lower; // one entry read both ways cannot take its reciprocal
                added.matrix = int(plan.matrices.size());
                added.rowName = names.at(row);
                added.columnName = names.at(column);
                added.value = upper >= 0 ? enteredText : ReciprocalText(enteredText);
                judgement = int(plan.judgements.size());
                plan.judgements.push_back(added);
                known->insert({upper, lower}, judgement);
            }
            planned.base.cells.push_back(cell);
            // The cell above the diagonal of the judgement's own orientation takes its value.
            planned.cellCode.push_back(std::uint32_t(judgement) * 2u + (above == flipped ? 1u : 0u));
            if (planned.judgements.empty() || planned.judgements.back() != judgement)
                planned.judgements.push_back(judgement);
        }
        planned.base.rowStart.push_back(planned.base.cells.size());
    }
    std::sort(planned.judgements.begin(), planned.judgements.end());
    planned.judgements.erase(std::unique(planned.judgements.begin(), planned.judgements.end()),
                             planned.judgements.end());
    plan.matrices.push_back(std::move(planned));
}

// The document's evaluation taken apart by matrix; with `judgements` every entered pair is
// identified by its table entries, so that it can be moved.
Plan buildPlan(const Document &document, bool judgements)
{
    Plan plan;
    const QStringList alternatives = document.alternatives();
    plan.alternatives = int(alternatives.size());
    QHash<PairKey, int> requirementPairs, alternativePairs;
    QHash<QString, int> leafMatrices; // by case-folded trimmed caption: same name, same entries
    const RequirementNode *root = document.tree.root();
    if (!root)
        return plan;
    QHash<const RequirementNode *, int> indexOf;
    walkPreOrder(root, [&](RequirementNode *node, int) {
        PlanNode planned;
        if (node != root) {
            planned.parent = indexOf.value(node->parent());
            planned.childIndex = node->parent()->indexOf(node);
        }
        if (node->childCount() >= 2) {
            planned.childMatrix = int(plan.matrices.size());
            addMatrix(plan, judgements ? &requirementPairs : nullptr, document.RequirementComparisons, nullptr, node->childCaptions(),
                      node->caption());
        } else if (!node->hasChildren()) {
            planned.leaf = true;
            if (alternatives.size() >= 2) {
                const QString leafName = trimBlanks(node->caption());
                const QString folded = leafName.toCaseFolded();
                const auto it = leafMatrices.constFind(folded);
                if (it != leafMatrices.constEnd()) {
                    planned.leafMatrix = it.value();
                } else {
                    planned.leafMatrix = int(plan.matrices.size());
                    leafMatrices.insert(folded, planned.leafMatrix);
                    addMatrix(plan, judgements ? &alternativePairs : nullptr, document.AlternativeComparisons, &leafName, alternatives,
                              node->caption());
                }
            }
        }
        indexOf.insert(node, int(plan.nodes.size()));
        plan.nodes.push_back(planned);
    });
    return plan;
}

// What one thread keeps between draws.
struct Scratch
{
    std::vector<MatrixValues> work;
    std::vector<std::vector<double>> weights;
    std::vector<const std::vector<double> *> weightsOf;
    std::vector<double> importance;
    // Per judgement: its scale position in this draw, 0 when it did not move.
    std::vector<std::uint8_t> moved;
    std::vector<signed char> offsets;
};

void prepare(const Plan &plan, Scratch &scratch)
{
    scratch.work.clear();
    for (const PlanMatrix &matrix : plan.matrices)
        scratch.work.push_back(matrix.base);
    scratch.weights.assign(plan.matrices.size(), {});
    scratch.weightsOf.assign(plan.matrices.size(), nullptr);
    scratch.importance.assign(plan.nodes.size(), 0.0);
    scratch.moved.assign(plan.judgements.size(), 0);
    scratch.offsets.assign(plan.judgements.size(), 0);
}

// Leaf importances down the tree and the points, as Recalculate computes them from the
// matrices' weights. With `ideal`, each leaf's weights are divided by their largest and the
// totals normalised to sum 1.
void synthesise(const Plan &plan, const std::vector<const std::vector<double> *> &weightsOf,
                std::vector<double> &importances, bool ideal, double *points)
{
    std::fill(points, points + plan.alternatives, 0.0);
    for (size_t i = 0; i < plan.nodes.size(); ++i) {
        const PlanNode &node = plan.nodes[i];
        double importance = 1.0;
        if (node.parent >= 0) {
            const PlanNode &parent = plan.nodes[size_t(node.parent)];
            const double local = parent.childMatrix >= 0
                                     ? (*weightsOf[size_t(parent.childMatrix)])[size_t(node.childIndex)]
                                     : 1.0;
            importance = importances[size_t(node.parent)] * local;
        }
        importances[i] = importance;
        if (!node.leaf || plan.alternatives == 0)
            continue;
        // The importance as the requirements list shows it, as the points are computed from it.
        const double shown = ReadDecimal(FormatFloat(importance));
        if (node.leafMatrix < 0) {
            points[0] = points[0] + shown * 1.0;
            continue;
        }
        const std::vector<double> &w = *weightsOf[size_t(node.leafMatrix)];
        const double scale = ideal ? *std::max_element(w.begin(), w.end()) : 1.0;
        for (int k = 0; k < plan.alternatives; ++k)
            points[k] = points[k] + shown * (ideal ? w[size_t(k)] / scale : w[size_t(k)]);
    }
    if (ideal) {
        double sum = 0.0;
        for (int k = 0; k < plan.alternatives; ++k)
            sum += points[k];
        for (int k = 0; k < plan.alternatives; ++k)
            points[k] /= sum;
    }
}

// The evaluation as Recalculate does it, with the judgements moved to `scratch.moved` (all 0
// before the first draw: the document as it is). Throws ComputationError naming the owner.
void evaluate(const Plan &plan, Scratch &scratch, bool useNow, double *points)
{
    const auto &numbers = scaleNumbers();
    for (size_t m = 0; m < plan.matrices.size(); ++m) {
        const PlanMatrix &matrix = plan.matrices[m];
        bool moved = false;
        if (!useNow) {
            for (int j : matrix.judgements)
                moved = moved || scratch.moved[size_t(j)] != 0;
        }
        if (useNow || !moved) {
            scratch.weightsOf[m] = &matrix.weightsNow;
            continue;
        }
        MatrixValues &values = scratch.work[m];
        const std::uint8_t *positions = scratch.moved.data();
        const size_t cellCount = values.cells.size();
        for (size_t c = 0; c < cellCount; ++c) {
            const std::uint32_t code = matrix.cellCode[c];
            const int position = positions[code >> 1];
            values.cells[c].value = position == 0      ? matrix.base.cells[c].value
                                    : (code & 1u) != 0 ? numbers[size_t(18 - position)]
                                                       : numbers[size_t(position)];
        }
        try {
            scratch.weights[m] = ComputePriorities(values).weights;
        } catch (ComputationError &error) {
            error.setOwner(matrix.owner);
            throw;
        }
        scratch.weightsOf[m] = &scratch.weights[m];
    }

    synthesise(plan, scratch.weightsOf, scratch.importance, false, points);
}

// Alternatives best first: by points, equal points in their own order.
void rankOrder(const double *points, std::vector<int> &order)
{
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [points](int a, int b) {
        return points[a] > points[b] || (points[a] == points[b] && a < b);
    });
}

double percentile(const std::vector<double> &sorted, double q)
{
    if (sorted.empty())
        return 0.0;
    const double h = (double(sorted.size()) - 1.0) * q;
    const size_t low = size_t(std::floor(h));
    const size_t high = std::min(low + 1, sorted.size() - 1);
    return sorted[low] + (h - double(low)) * (sorted[high] - sorted[low]);
}

// Counts one thread gathers.
struct Tally
{
    std::vector<int> rankCounts; // [alternative · A + rank]
    std::vector<int> moved[2];   // [0]: towards the column item, [1]: towards the row item
    std::vector<int> changed[2];
    int winnerChanges = 0;
};

} // namespace

OffsetSource::OffsetSource(std::uint64_t seed, std::uint64_t draw)
    : state_(mix64(seed + Golden) ^ mix64((draw + 1) * Golden))
{}

std::uint64_t OffsetSource::word()
{
    state_ += Golden;
    return mix64(state_);
}

int OffsetSource::next(int spread)
{
    if (spread <= 0)
        return 0;
    const unsigned range = unsigned(2 * spread + 1);
    const unsigned limit = 65536u - 65536u % range;
    for (;;) {
        if (pieces_ == 0) {
            bits_ = word();
            pieces_ = 4;
        }
        const unsigned piece = unsigned(bits_ & 0xFFFFu);
        bits_ >>= 16;
        --pieces_;
        if (piece < limit)
            return int(piece % range) - spread;
    }
}

CertaintyResult SimulateCertainty(const Document &document, const CertaintyOptions &options)
{
    CertaintyResult result;
    result.spread = std::clamp(options.spread, 0, CertaintyMaxSpread);
    result.draws = std::clamp(options.draws, 1, CertaintyMaxDraws);
    result.seed = options.seed;

    Plan plan = buildPlan(document, true);
    const QStringList names = document.alternatives();
    const int count = plan.alternatives;

    // The result now: every matrix as entered.
    for (PlanMatrix &matrix : plan.matrices) {
        try {
            matrix.weightsNow = ComputePriorities(matrix.base).weights;
        } catch (ComputationError &error) {
            error.setOwner(matrix.owner);
            throw;
        }
    }
    for (const PlanJudgement &judgement : plan.judgements)
        result.judgementCount += judgement.movable ? 1 : 0;
    std::vector<double> pointsNow(static_cast<size_t>(count));
    {
        Scratch scratch;
        prepare(plan, scratch);
        evaluate(plan, scratch, true, pointsNow.data());
    }
    std::vector<int> orderNow(static_cast<size_t>(count));
    rankOrder(pointsNow.data(), orderNow);
    if (count == 0)
        return result;
    result.winner = orderNow[0];

    const int draws = result.draws;
    std::vector<double> pointsByDraw(size_t(draws) * size_t(count));
    std::atomic<int> nextDraw{0};
    std::atomic<int> doneDraws{0};
    std::atomic<bool> stop{false};
    std::mutex errorMutex;
    int errorDraw = draws;
    std::exception_ptr error;
    constexpr int Chunk = 16;
    const size_t judgementCount = plan.judgements.size();
    std::vector<int> positions(judgementCount);
    std::vector<char> movable(judgementCount);
    for (size_t j = 0; j < judgementCount; ++j) {
        positions[j] = plan.judgements[j].position;
        movable[j] = plan.judgements[j].movable;
    }

    const int threadCount = std::max(
        1, options.threads > 0 ? options.threads : std::min(int(std::thread::hardware_concurrency()), 8));
    std::vector<Tally> tallies(static_cast<size_t>(threadCount));

    auto work = [&](int t) {
        Tally &tally = tallies[size_t(t)];
        tally.rankCounts.assign(size_t(count) * size_t(count), 0);
        for (auto *counts : {&tally.moved[0], &tally.moved[1], &tally.changed[0], &tally.changed[1]})
            counts->assign(plan.judgements.size(), 0);
        Scratch scratch;
        std::vector<int> order(static_cast<size_t>(count));
        try {
            prepare(plan, scratch);
            for (;;) {
                const int first = nextDraw.fetch_add(Chunk);
                if (first >= draws || stop.load())
                    break;
                const int last = std::min(draws, first + Chunk);
                for (int d = first; d < last; ++d) {
                    OffsetSource source(result.seed, std::uint64_t(d));
                    for (size_t j = 0; j < judgementCount; ++j) {
                        const int offset = movable[j] ? source.next(result.spread) : 0;
                        scratch.offsets[j] = static_cast<signed char>(offset);
                        scratch.moved[j] = offset == 0 ? 0
                                                       : std::uint8_t(std::clamp(positions[j] + offset, ScaleFirstPosition,
                                                                                 ScaleLastPosition));
                        if (offset != 0)
                            ++tally.moved[offset > 0 ? 1 : 0][j];
                    }
                    double *points = pointsByDraw.data() + size_t(d) * size_t(count);
                    try {
                        evaluate(plan, scratch, false, points);
                    } catch (...) {
                        const std::lock_guard lock(errorMutex);
                        if (d < errorDraw) {
                            errorDraw = d;
                            error = std::current_exception();
                        }
                        stop = true;
                        return;
                    }
                    rankOrder(points, order);
                    for (int r = 0; r < count; ++r)
                        ++tally.rankCounts[size_t(order[size_t(r)]) * size_t(count) + size_t(r)];
                    const bool changed = order[0] != result.winner;
                    tally.winnerChanges += changed ? 1 : 0;
                    if (!changed)
                        continue;
                    for (size_t j = 0; j < judgementCount; ++j) {
                        if (scratch.offsets[j] != 0)
                            ++tally.changed[scratch.offsets[j] > 0 ? 1 : 0][j];
                    }
                }
                doneDraws.fetch_add(last - first);
                if (t == 0 && options.progress && !options.progress(doneDraws.load()))
                    stop = true;
            }
        } catch (...) {
            const std::lock_guard lock(errorMutex);
            if (!error) {
                errorDraw = -1;
                error = std::current_exception();
            }
            stop = true;
        }
    };

    std::vector<std::thread> helpers;
    try {
        for (int t = 1; t < threadCount; ++t)
            helpers.emplace_back(work, t);
    } catch (const std::system_error &) {
        // Fewer threads than asked for: the ones started share all the draws.
    }
    work(0);
    for (std::thread &helper : helpers)
        helper.join();
    if (error)
        std::rethrow_exception(error);
    if (stop.load()) {
        result.cancelled = true;
        return result;
    }

    // Sums of integers: the same whatever thread counted what.
    Tally total;
    total.rankCounts.assign(size_t(count) * size_t(count), 0);
    for (auto *counts : {&total.moved[0], &total.moved[1], &total.changed[0], &total.changed[1]})
        counts->assign(plan.judgements.size(), 0);
    for (const Tally &tally : tallies) {
        if (tally.rankCounts.empty())
            continue;
        total.winnerChanges += tally.winnerChanges;
        for (size_t i = 0; i < total.rankCounts.size(); ++i)
            total.rankCounts[i] += tally.rankCounts[i];
        for (int way = 0; way < 2; ++way) {
            for (size_t j = 0; j < plan.judgements.size(); ++j) {
                total.moved[way][j] += tally.moved[way][j];
                total.changed[way][j] += tally.changed[way][j];
            }
        }
    }
    result.winnerChanges = total.winnerChanges;

    std::vector<double> column(static_cast<size_t>(draws));
    for (int k = 0; k < count; ++k) {
        AlternativeCertainty alternative;
        alternative.name = names.at(k);
        alternative.points = pointsNow[size_t(k)];
        alternative.rank = int(std::find(orderNow.begin(), orderNow.end(), k) - orderNow.begin()) + 1;
        for (int r = 0; r < count; ++r)
            alternative.rankShares.push_back(double(total.rankCounts[size_t(k) * size_t(count) + size_t(r)]) / draws);
        alternative.bestShare = alternative.rankShares[0];
        for (int d = 0; d < draws; ++d)
            column[size_t(d)] = pointsByDraw[size_t(d) * size_t(count) + size_t(k)];
        std::sort(column.begin(), column.end());
        alternative.p5 = percentile(column, 0.05);
        alternative.p50 = percentile(column, 0.5);
        alternative.p95 = percentile(column, 0.95);
        result.alternatives.push_back(std::move(alternative));
    }

    if (result.winnerChanges > 0) {
        struct Candidate
        {
            size_t judgement;
            int way;
            int moved;
            int changed;
            // changed / moved, compared without rounding
            bool before(const Candidate &other) const
            {
                const auto left = std::int64_t(changed) * other.moved, right = std::int64_t(other.changed) * moved;
                return left > right || (left == right && (changed > other.changed
                                                          || (changed == other.changed && judgement < other.judgement)));
            }
        };
        std::vector<Candidate> candidates;
        for (size_t j = 0; j < judgementCount; ++j) {
            if (!movable[j])
                continue;
            std::optional<Candidate> best;
            for (int way = 0; way < 2; ++way) {
                const Candidate candidate{j, way, total.moved[way][j], total.changed[way][j]};
                if (candidate.moved > 0 && candidate.changed > 0 && (!best || candidate.before(*best)))
                    best = candidate;
            }
            if (best)
                candidates.push_back(*best);
        }
        const size_t listed = std::min(candidates.size(), size_t(CertaintyJudgementCount));
        std::partial_sort(candidates.begin(), candidates.begin() + std::ptrdiff_t(listed), candidates.end(),
                          [](const Candidate &a, const Candidate &b) { return a.before(b); });
        for (size_t i = 0; i < listed; ++i) {
            const Candidate &candidate = candidates[i];
            const PlanJudgement &judgement = plan.judgements[candidate.judgement];
            const PlanMatrix &matrix = plan.matrices[size_t(judgement.matrix)];
            JudgementInfluence influence;
            influence.requirements = matrix.requirements;
            influence.owner = matrix.owner;
            influence.rowName = judgement.rowName;
            influence.columnName = judgement.columnName;
            influence.value = judgement.value;
            influence.towardsRow = candidate.way == 1;
            influence.moved = candidate.moved;
            influence.changed = candidate.changed;
            result.judgements.push_back(influence);
        }
    }
    return result;
}

// ---------------------------------------------------------------------------------------------

QString AhpMethodName(AhpMethod method, bool japanese)
{
    switch (method) {
    case AhpMethod::GeometricDistributive:
        return japanese ? QStringLiteral("幾何平均・分配モード") : QStringLiteral("Geometric mean, distributive");
    case AhpMethod::GeometricIdeal:
        return japanese ? QStringLiteral("幾何平均・理想モード") : QStringLiteral("Geometric mean, ideal");
    case AhpMethod::EigenvectorDistributive:
        return japanese ? QStringLiteral("固有ベクトル・分配モード") : QStringLiteral("Eigenvector, distributive");
    case AhpMethod::EigenvectorIdeal:
        return japanese ? QStringLiteral("固有ベクトル・理想モード") : QStringLiteral("Eigenvector, ideal");
    }
    return QString();
}

bool MethodComparison::rankAgrees(int k) const
{
    for (int m = 1; m < AhpMethodCount; ++m) {
        if (ranks[m][size_t(k)] != ranks[0][size_t(k)])
            return false;
    }
    return true;
}

bool MethodComparison::ranksAgree() const
{
    for (qsizetype k = 0; k < alternatives.size(); ++k) {
        if (!rankAgrees(int(k)))
            return false;
    }
    return true;
}

EigenvectorResult PrincipalEigenvector(const MatrixValues &values, const std::vector<double> &start)
{
    EigenvectorResult result;
    const size_t n = size_t(values.n);
    if (n == 0)
        return result;
    if (n == 1) {
        result.weights = {1.0};
        result.lambdaMax = 1.0;
        return result;
    }
    // Dense rows, 1 wherever nothing is entered.
    std::vector<double> a(n * n, 1.0);
    for (size_t i = 0; i < n; ++i) {
        for (const MatrixValues::Cell &cell : values.row(int(i)))
            a[i * n + size_t(cell.column)] = cell.value;
    }
    std::vector<double> w = start;
    std::vector<double> next(n);
    constexpr int MaxIterations = 100000;
    double lambda = 0.0;
    for (int iteration = 0; iteration < MaxIterations; ++iteration) {
        lambda = 0.0;
        for (size_t i = 0; i < n; ++i) {
            double sum = 0.0;
            const double *row = a.data() + i * n;
            for (size_t k = 0; k < n; ++k)
                sum += row[k] * w[k];
            next[i] = sum;
            lambda += sum;
        }
        // With Σw = 1, Σ(Aw) is the eigenvalue once w stops changing.
        bool settled = true;
        for (size_t i = 0; i < n; ++i) {
            next[i] /= lambda;
            if (std::abs(next[i] - w[i]) > 4.0 * std::numeric_limits<double>::epsilon() * w[i])
                settled = false;
        }
        w.swap(next);
        if (settled)
            break;
    }
    result.weights = std::move(w);
    result.lambdaMax = lambda;
    return result;
}

MethodComparison CompareMethods(const Document &document)
{
    MethodComparison comparison;
    comparison.alternatives = document.alternatives();
    Plan plan = buildPlan(document, false);
    std::vector<std::vector<double>> eigen(plan.matrices.size());
    for (size_t m = 0; m < plan.matrices.size(); ++m) {
        PlanMatrix &matrix = plan.matrices[m];
        Priorities priorities;
        try {
            priorities = ComputePriorities(matrix.base);
        } catch (ComputationError &error) {
            error.setOwner(matrix.owner);
            throw;
        }
        matrix.weightsNow = priorities.weights;
        EigenvectorResult eigenvector = PrincipalEigenvector(matrix.base, priorities.weights);
        MatrixConsistencyComparison row;
        row.requirements = matrix.requirements;
        row.owner = matrix.owner;
        row.size = matrix.base.n;
        row.index = priorities.consistencyIndex;
        row.lambdaMax = eigenvector.lambdaMax;
        const RandomIndex randomIndex = RandomIndexFor(row.size);
        if (randomIndex.table != RandomIndexTable::None && randomIndex.value > 0.0) {
            row.hasRatio = true;
            row.ratio = (row.lambdaMax - row.size) / (row.size - 1) / randomIndex.value;
        }
        comparison.matrices.push_back(row);
        eigen[m] = std::move(eigenvector.weights);
    }

    const int count = plan.alternatives;
    std::vector<double> importances(plan.nodes.size());
    std::vector<const std::vector<double> *> geometric, eigenvector;
    for (size_t m = 0; m < plan.matrices.size(); ++m) {
        geometric.push_back(&plan.matrices[m].weightsNow);
        eigenvector.push_back(&eigen[m]);
    }
    std::vector<int> order(static_cast<size_t>(count));
    for (int method = 0; method < AhpMethodCount; ++method) {
        const bool ideal = method == int(AhpMethod::GeometricIdeal) || method == int(AhpMethod::EigenvectorIdeal);
        const bool useEigen = method >= int(AhpMethod::EigenvectorDistributive);
        std::vector<double> &points = comparison.points[method];
        points.assign(size_t(count), 0.0);
        synthesise(plan, useEigen ? eigenvector : geometric, importances, ideal, points.data());
        rankOrder(points.data(), order);
        comparison.ranks[method].assign(size_t(count), 0);
        for (int r = 0; r < count; ++r)
            comparison.ranks[method][size_t(order[size_t(r)])] = r + 1;
    }
    return comparison;
}

} // namespace priomat
