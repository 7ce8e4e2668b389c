#include "model/ConsistencyAdvisor.h"

#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "model/Priorities.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace priomat {

namespace {

double scaleNumber(int position)
{
    return position >= ScaleEqualPosition ? double(position - ScaleEqualPosition + 1)
                                          : 1.0 / double(ScaleEqualPosition + 1 - position);
}

// The number of the reciprocal text, as reading it gives it (not 1 / x, which can differ in
// the last bit).
double mirrorNumber(int position)
{
    return scaleNumber(ScaleFirstPosition + ScaleLastPosition - position);
}

// The matrix as dense numbers with the entered cells marked; 1 where nothing is entered.
struct DenseMatrix
{
    int n = 0;
    std::vector<double> a;
    std::vector<char> entered;
    std::vector<const QString *> text;
    size_t enteredCount = 0;
    double at(int i, int j) const { return a[size_t(i) * size_t(n) + size_t(j)]; }
    bool isEntered(int i, int j) const { return entered[size_t(i) * size_t(n) + size_t(j)] != 0; }
};

DenseMatrix toDense(const MatrixValues &values)
{
    DenseMatrix m;
    m.n = values.n;
    const size_t cells = size_t(m.n) * size_t(m.n);
    m.a.assign(cells, 1.0);
    m.entered.assign(cells, 0);
    m.text.assign(cells, nullptr);
    for (int i = 0; i < m.n; ++i) {
        for (const MatrixValues::Cell &cell : values.row(i)) {
            const size_t k = size_t(i) * size_t(m.n) + size_t(cell.column);
            m.a[k] = cell.value;
            m.entered[k] = 1;
            m.text[k] = cell.text;
        }
    }
    m.enteredCount = values.cells.size();
    return m;
}

// Which items share a name as the table's lookup compares names: equal ids, one row of entries.
std::vector<int> nameClasses(const QStringList &names, bool *repeated)
{
    std::vector<int> classes(size_t(names.size()));
    QHash<QString, int> first;
    *repeated = false;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString folded = names.at(i).toCaseFolded();
        const auto it = first.constFind(folded);
        if (it == first.constEnd()) {
            first.insert(folded, int(i));
            classes[size_t(i)] = int(i);
        } else {
            classes[size_t(i)] = it.value();
            *repeated = true;
        }
    }
    return classes;
}

// The matrix read as the computation reads it after the entry behind (i, j) is set to `x` and,
// with `alsoTransposed`, the one behind (j, i) to `y`: every cell whose names are those of
// (i, j) reads the same entry, so it changes with it.
MatrixValues withChange(const DenseMatrix &m, const std::vector<int> &classes, int i, int j, double x,
                        bool alsoTransposed, double y, const QString *text)
{
    const int ci = classes[size_t(i)], cj = classes[size_t(j)];
    MatrixValues values;
    values.n = m.n;
    values.cells.reserve(m.enteredCount + 2);
    values.rowStart.reserve(size_t(m.n) + 1);
    values.rowStart.push_back(0);
    for (int r = 0; r < m.n; ++r) {
        const int cr = classes[size_t(r)];
        for (int c = 0; c < m.n; ++c) {
            if (r == c)
                continue;
            const int cc = classes[size_t(c)];
            if (cr == ci && cc == cj)
                values.cells.push_back({c, x, text});
            else if (alsoTransposed && cr == cj && cc == ci)
                values.cells.push_back({c, y, text});
            else if (m.isEntered(r, c))
                values.cells.push_back({c, m.at(r, c), m.text[size_t(r) * size_t(m.n) + size_t(c)]});
        }
        values.rowStart.push_back(values.cells.size());
    }
    return values;
}

struct Candidate
{
    int row;
    int column;
    int position;
    double approximate; // |CI| after, from the incremental formula
};

QString describe(const ComputationError &error, const QString &owner)
{
    ComputationError named = error;
    named.setOwner(owner);
    return named.message();
}

} // namespace

std::optional<UnreadableEntry> FindUnreadableEntry(const ComparisonMatrix &matrix, const QString &owner)
{
    std::vector<const QString *> row;
    for (int i = 0; i < matrix.size(); ++i) {
        matrix.rowEntries(i, row);
        for (int j = 0; j < matrix.size(); ++j) {
            const QString *text = row[size_t(j)];
            if (!text || i == j)
                continue;
            bool readable = true;
            try {
                readable = ReadComparisonValue(*text) > 0.0;
            } catch (const ComputationError &) {
                readable = false;
            }
            if (!readable)
                return UnreadableEntry{owner, matrix.names().at(i), matrix.names().at(j), *text};
        }
    }
    return std::nullopt;
}

AdvisorResult AdviseMatrix(const ComparisonMatrix &matrix, const QString &owner, bool inverse, int count)
{
    AdvisorResult result;
    const int n = matrix.size();
    if (n < 2) {
        result.computed = true;
        return result;
    }
    if (n > AdvisorMaxSize) {
        result.error = QStringLiteral("The matrix of '%1' has %2 items; the advisor works on at most %3")
                           .arg(owner).arg(n).arg(AdvisorMaxSize);
        result.tooManyItems = n;
        return result;
    }
    MatrixValues values;
    Priorities now;
    try {
        values = ReadMatrixValues(matrix);
        now = ComputePriorities(values);
    } catch (const ComputationError &error) {
        result.unreadable = FindUnreadableEntry(matrix, owner);
        result.error = describe(error, owner);
        return result;
    }
    result.computed = true;
    result.consistencyIndex = now.consistencyIndex;

    // λ·n = Σ_r R_r / g_r with R_r = Σ_k a_rk g_k: the normalisation of the weights cancels, so
    // the geometric means g can be used as they are. Changing a_ij (and a_ji) changes g_i and
    // g_j only, which gives the new sum from the column sums C_c = Σ_r a_rc / g_r in O(1).
    const DenseMatrix m = toDense(values);
    const size_t un = size_t(n);
    std::vector<double> g(un), rowSum(un, 0.0), columnSum(un, 0.0);
    const long double e = 1.0L / static_cast<long double>(n);
    for (int i = 0; i < n; ++i) {
        double product = 1.0;
        for (const MatrixValues::Cell &cell : values.row(i))
            product *= cell.value;
        g[size_t(i)] = static_cast<double>(std::exp(e * std::log(static_cast<long double>(product))));
    }
    double q = 0.0;
    for (int r = 0; r < n; ++r) {
        double sum = 0.0;
        for (int k = 0; k < n; ++k)
            sum += m.at(r, k) * g[size_t(k)];
        rowSum[size_t(r)] = sum;
        q += sum / g[size_t(r)];
        for (int c = 0; c < n; ++c)
            columnSum[size_t(c)] += m.at(r, c) / g[size_t(r)];
    }
    double stepLog[ScaleLastPosition + 1];
    for (int p = ScaleFirstPosition; p <= ScaleLastPosition; ++p)
        stepLog[p] = std::log(scaleNumber(p));

    const double nd = double(n);
    // n-th roots of the steps, so that a candidate needs no exp or log of its own.
    double stepRoot[ScaleLastPosition + 1];
    for (int p = ScaleFirstPosition; p <= ScaleLastPosition; ++p)
        stepRoot[p] = std::exp(stepLog[p] / nd);
    // For one pair: the n-th roots of 1 / a_ij and 1 / a_ji.
    double rootI = 1.0, rootJ = 1.0;
    auto approximateAfter = [&](int i, int j, int position) {
        const double x = scaleNumber(position);
        const double aij = m.at(i, j), aji = m.at(j, i);
        const double gi = g[size_t(i)], gj = g[size_t(j)];
        const double giNew = gi * stepRoot[position] * rootI;
        double y = aji, gjNew = gj;
        if (inverse) {
            y = mirrorNumber(position);
            gjNew = gj * rootJ / stepRoot[position];
        }
        const double di = giNew - gi, dj = gjNew - gj;
        const double others = q - rowSum[size_t(i)] / gi - rowSum[size_t(j)] / gj
                              + di * (columnSum[size_t(i)] - 1.0 / gi - aji / gj)
                              + dj * (columnSum[size_t(j)] - aij / gi - 1.0 / gj);
        const double rowI = rowSum[size_t(i)] - gi - aij * gj + giNew + x * gjNew;
        const double rowJ = rowSum[size_t(j)] - gj - aji * gi + gjNew + y * giNew;
        const double t = others + rowI / giNew + rowJ / gjNew;
        return (t / nd - nd) / (nd - 1.0);
    };

    // With repeated names one entry stands behind several cells: changing it moves the rows of
    // every item of both names, so the estimate goes through all of them (B below).
    bool repeated = false;
    const std::vector<int> classes = nameClasses(matrix.names(), &repeated);
    std::vector<int> members; // B: the items of the pair's two names
    std::vector<double> gAfter(repeated ? un : 0);
    auto generalAfter = [&](int ci, int cj, int position) {
        const double x = scaleNumber(position), y = mirrorNumber(position);
        auto changed = [&](int r, int c) {
            if (r == c)
                return 1.0;
            const int cr = classes[size_t(r)], cc = classes[size_t(c)];
            if (cr == ci && cc == cj)
                return x;
            if (inverse && cr == cj && cc == ci)
                return y;
            return m.at(r, c);
        };
        for (int r : members) {
            double logRatio = 0.0;
            for (int c : members)
                logRatio += std::log(changed(r, c)) - std::log(m.at(r, c));
            gAfter[size_t(r)] = g[size_t(r)] * std::exp(logRatio / nd);
        }
        // Rows outside B keep their entries and see B's weights change; rows in B are summed anew.
        double t = q;
        for (int k : members) {
            double column = columnSum[size_t(k)];
            for (int r : members)
                column -= m.at(r, k) / g[size_t(r)];
            t += (gAfter[size_t(k)] - g[size_t(k)]) * column - rowSum[size_t(k)] / g[size_t(k)];
        }
        for (int r : members) {
            double row = rowSum[size_t(r)];
            for (int k : members)
                row += changed(r, k) * gAfter[size_t(k)] - m.at(r, k) * g[size_t(k)];
            t += row / gAfter[size_t(r)];
        }
        return (t / nd - nd) / (nd - 1.0);
    };

    const double indexNow = std::abs(now.consistencyIndex);
    const double tolerance = 1e-12 * std::max(1.0, indexNow);
    std::vector<Candidate> candidates;
    QSet<qint64> offered; // name pairs already offered, when names repeat
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (i == j || !m.isEntered(i, j))
                continue;
            if (repeated) {
                const int ci = classes[size_t(i)], cj = classes[size_t(j)];
                if (ci == cj)
                    continue; // an item against its own name is no judgement between two
                // One entry, one suggestion; with Inverse one per pair of names.
                const qint64 pair = inverse ? qint64(std::min(ci, cj)) * n + std::max(ci, cj) : qint64(ci) * n + cj;
                if (offered.contains(pair))
                    continue;
                offered.insert(pair);
                members.clear();
                for (int k = 0; k < n; ++k)
                    if (classes[size_t(k)] == ci || classes[size_t(k)] == cj)
                        members.push_back(k);
                Candidate best{i, j, 0, indexNow};
                for (int p = ScaleFirstPosition; p <= ScaleLastPosition; ++p) {
                    const double after = std::abs(generalAfter(ci, cj, p));
                    if (std::isfinite(after) && after < best.approximate - tolerance) {
                        best.position = p;
                        best.approximate = after;
                    }
                }
                if (best.position != 0)
                    candidates.push_back(best);
                continue;
            }
            // With Inverse a pair is one judgement: offered once, at its upper cell when entered.
            if (inverse && i > j && m.isEntered(j, i))
                continue;
            Candidate best{i, j, 0, indexNow};
            rootI = std::exp(-std::log(m.at(i, j)) / nd);
            rootJ = std::exp(-std::log(m.at(j, i)) / nd);
            for (int p = ScaleFirstPosition; p <= ScaleLastPosition; ++p) {
                const double after = std::abs(approximateAfter(i, j, p));
                if (std::isfinite(after) && after < best.approximate - tolerance) {
                    best.position = p;
                    best.approximate = after;
                }
            }
            if (best.position != 0)
                candidates.push_back(best);
        }
    }
    // Rank by the estimate, then take the index of the best few exactly as the program does.
    const size_t exactCount = std::min(candidates.size(), size_t(std::max(count, 0)) * 2 + 2);
    std::partial_sort(candidates.begin(), candidates.begin() + qsizetype(exactCount), candidates.end(),
                      [](const Candidate &a, const Candidate &b) { return a.approximate < b.approximate; });
    candidates.resize(exactCount);
    for (const Candidate &candidate : candidates) {
        const int i = candidate.row, j = candidate.column;
        AdvisorSuggestion suggestion;
        suggestion.row = i;
        suggestion.column = j;
        suggestion.value = *m.text[size_t(i) * un + size_t(j)];
        suggestion.position = candidate.position;
        suggestion.suggested = ScaleText(candidate.position);
        suggestion.reciprocal = ScaleReciprocalText(candidate.position);
        const double x = scaleNumber(candidate.position);
        try {
            suggestion.indexAfter
                = ComputePriorities(withChange(m, classes, i, j, x, inverse, mirrorNumber(candidate.position), &suggestion.suggested))
                      .consistencyIndex;
        } catch (const ComputationError &) {
            continue;
        }
        if (std::abs(suggestion.indexAfter) < indexNow - tolerance)
            result.suggestions.push_back(std::move(suggestion));
    }
    std::stable_sort(result.suggestions.begin(), result.suggestions.end(),
                     [](const AdvisorSuggestion &a, const AdvisorSuggestion &b) {
                         return std::abs(a.indexAfter) < std::abs(b.indexAfter);
                     });
    if (result.suggestions.size() > size_t(std::max(count, 0)))
        result.suggestions.resize(size_t(std::max(count, 0)));
    return result;
}

// ---------------------------------------------------------------------------------------------

RandomIndex RandomIndexFor(int n)
{
    // Saaty's random indices for n = 3 … 15.
    static constexpr double saaty[] = {0.58, 0.90, 1.12, 1.24, 1.32, 1.41, 1.45,
                                       1.49, 1.51, 1.48, 1.56, 1.57, 1.59};
    if (n < 3)
        return {};
    if (n <= 15)
        return {saaty[n - 3], RandomIndexTable::Saaty};
    return {(1.7699 * n - 4.3513) / (n - 1), RandomIndexTable::AlonsoLamata};
}

QString RandomIndexTableName(RandomIndexTable table, bool japanese)
{
    switch (table) {
    case RandomIndexTable::Saaty:
        return japanese ? QStringLiteral("Saaty のランダム整合度 (RI) 表 (n ≤ 15)")
                        : QStringLiteral("Saaty's random index table (n ≤ 15)");
    case RandomIndexTable::AlonsoLamata:
        return japanese ? QStringLiteral("Alonso・Lamata (2006) の線形近似 RI = (1.7699n − 4.3513) / (n − 1)")
                        : QStringLiteral("Alonso and Lamata's (2006) linear fit RI = (1.7699n − 4.3513) / (n − 1)");
    case RandomIndexTable::None:
        break;
    }
    return QString();
}

// ---------------------------------------------------------------------------------------------

struct RankingPreviewer::Copy
{
    Document document;
    RequirementNode *node = nullptr;
    MatrixItems items;
    bool ready = false;
    QString error;
    QStringList before;
    // Leaf weights stay between the evaluations; a changed leaf is dropped before and after.
    LeafWeightCache leafWeights;
};

RankingPreviewer::RankingPreviewer(const Document &document, const RequirementNode *node) : copy_(new Copy)
{
    Copy &copy = *copy_;
    copy.items = ItemsUnder(document, node);
    copy.document.alternativesLines = document.alternativesLines;
    copy.document.RequirementComparisons = document.RequirementComparisons;
    copy.document.AlternativeComparisons = document.AlternativeComparisons;
    // Only the root's subtree takes part in the evaluation.
    if (const RequirementNode *root = document.tree.root()) {
        struct Pending
        {
            const RequirementNode *source;
            RequirementNode *target;
        };
        auto rootCopy = std::make_unique<RequirementNode>(root->caption());
        rootCopy->data() = root->data();
        std::vector<Pending> stack{{root, copy.document.tree.appendTopLevel(std::move(rootCopy))}};
        while (!stack.empty()) {
            const Pending pending = stack.back();
            stack.pop_back();
            if (pending.source == node)
                copy.node = pending.target;
            for (int i = 0; i < pending.source->childCount(); ++i) {
                const RequirementNode *child = pending.source->child(i);
                auto childCopy = std::make_unique<RequirementNode>(child->caption());
                childCopy->data() = child->data();
                stack.push_back({child, pending.target->appendChild(std::move(childCopy))});
            }
        }
    }
    try {
        ResultLists lists;
        Recalculate(copy.document, lists, {.force = true, .cache = &copy.leafWeights});
        copy.before = rankingOf(lists.alternatives);
        copy.ready = true;
    } catch (const ComputationError &error) {
        copy.error = error.message();
    }
}

RankingPreviewer::~RankingPreviewer() { delete copy_; }

QStringList RankingPreviewer::rankingOf(const QList<ResultRow> &alternatives)
{
    std::vector<std::pair<double, QString>> points;
    for (const ResultRow &row : alternatives)
        points.emplace_back(ShownValue(row.value), row.name);
    std::stable_sort(points.begin(), points.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList names;
    for (const auto &point : points)
        names.append(point.second);
    return names;
}

RankingPreview RankingPreviewer::preview(const AdvisorSuggestion &suggestion, bool inverse)
{
    return preview(std::vector<CompletionCell>{{suggestion.row, suggestion.column, suggestion.suggested,
                                                suggestion.reciprocal}},
                   inverse);
}

RankingPreview RankingPreviewer::preview(const std::vector<CompletionCell> &cells, bool inverse)
{
    Copy &copy = *copy_;
    RankingPreview result;
    if (!copy.ready || !copy.node) {
        result.error = copy.error;
        return result;
    }
    ComparisonTable &table = copy.items.leafShown ? copy.document.AlternativeComparisons
                                                  : copy.document.RequirementComparisons;
    auto keyOf = [&](int row, int column) {
        const QString &r = copy.items.names.at(row), &c = copy.items.names.at(column);
        return copy.items.leafShown ? alternativeKey(copy.items.leafName, r, c) : requirementKey(r, c);
    };
    struct Undo
    {
        std::optional<qsizetype> index;
        QString old;
    };
    std::vector<Undo> undo;
    auto store = [&](const QString &key, const QString &value) {
        if (const auto index = table.find(key)) {
            undo.push_back({index, table.at(*index).value});
            table.setValueAt(*index, value);
        } else {
            undo.push_back({std::nullopt, QString()});
            table.append(key, value);
        }
    };
    RequirementData nodeData = copy.node->data();
    std::vector<double> childWeights;
    for (int i = 0; i < copy.node->childCount(); ++i)
        childWeights.push_back(copy.node->child(i)->data().LocalWeight);

    for (const CompletionCell &cell : cells) {
        store(keyOf(cell.row, cell.column), cell.value);
        if (inverse)
            store(keyOf(cell.column, cell.row), cell.reciprocal);
    }
    try {
        result.indexAfter = ComputePriorities(ComparisonMatrix::of(copy.document, copy.items)).consistencyIndex;
    } catch (const ComputationError &) {
    }
    try {
        if (!copy.items.leafShown)
            UpdateChildWeights(copy.document.RequirementComparisons, copy.node);
        else
            copy.leafWeights.invalidateLeaf(copy.items.leafName);
        ResultLists lists;
        Recalculate(copy.document, lists, {.force = true, .cache = &copy.leafWeights});
        result.before = copy.before;
        result.after = rankingOf(lists.alternatives);
        result.bestChanges = result.before.value(0) != result.after.value(0);
        result.topThreeChange = result.before.mid(0, 3) != result.after.mid(0, 3);
        result.computed = true;
    } catch (const ComputationError &error) {
        result.error = error.message();
    }
    for (auto it = undo.crbegin(); it != undo.crend(); ++it) {
        if (it->index)
            table.setValueAt(*it->index, it->old);
        else
            table.removeLast();
    }
    if (copy.items.leafShown)
        copy.leafWeights.invalidateLeaf(copy.items.leafName);
    copy.node->data() = nodeData;
    for (int i = 0; i < copy.node->childCount(); ++i)
        copy.node->child(i)->data().LocalWeight = childWeights[size_t(i)];
    return result;
}

// ---------------------------------------------------------------------------------------------

int NearestScalePosition(double ratio)
{
    const double l = std::log(ratio);
    int best = ScaleEqualPosition;
    double distance = std::abs(l);
    for (int p = ScaleFirstPosition; p <= ScaleLastPosition; ++p) {
        const double d = std::abs(l - std::log(scaleNumber(p)));
        if (d < distance) {
            distance = d;
            best = p;
        }
    }
    return best;
}

Completion CompleteFromEntered(const ComparisonMatrix &matrix, const QString &owner, bool inverse)
{
    Completion result;
    const int n = matrix.size();
    if (n < 2) {
        result.computed = true;
        return result;
    }
    if (n > AdvisorMaxSize) {
        result.error = QStringLiteral("The matrix of '%1' has %2 items; completion works on at most %3")
                           .arg(owner).arg(n).arg(AdvisorMaxSize);
        result.tooManyItems = n;
        return result;
    }
    MatrixValues values;
    try {
        values = ReadMatrixValues(matrix);
    } catch (const ComputationError &error) {
        result.unreadable = FindUnreadableEntry(matrix, owner);
        result.error = describe(error, owner);
        return result;
    }
    const DenseMatrix m = toDense(values);
    const size_t un = size_t(n);

    // Groups of items joined by entered pairs.
    std::vector<int> parent(un);
    std::iota(parent.begin(), parent.end(), 0);
    auto find = [&](int x) {
        while (parent[size_t(x)] != x)
            x = parent[size_t(x)] = parent[size_t(parent[size_t(x)])];
        return x;
    };
    for (int i = 0; i < n; ++i)
        for (const MatrixValues::Cell &cell : values.row(i))
            parent[size_t(find(i))] = find(cell.column);
    std::vector<int> groupOf(un, -1);
    for (int i = 0; i < n; ++i) {
        int &group = groupOf[size_t(find(i))];
        if (group < 0) {
            group = int(result.groups.size());
            result.groups.emplace_back();
        }
        result.groups[size_t(group)].append(matrix.names().at(i));
    }
    result.computed = true;
    if (result.groups.size() > 1)
        return result;
    result.groups.clear();

    // Minimise Σ over entered (i, j) of (ln a_ij − y_i + y_j)²: the normal equations are the
    // graph's Laplacian, L y = b, solved with y_0 = 0 by Cholesky on the other n − 1 unknowns.
    const int k = n - 1;
    std::vector<double> l(size_t(k) * size_t(k), 0.0), b(size_t(k), 0.0);
    auto addL = [&](int r, int c, double v) {
        if (r > 0 && c > 0)
            l[size_t(r - 1) * size_t(k) + size_t(c - 1)] += v;
    };
    for (int i = 0; i < n; ++i) {
        for (const MatrixValues::Cell &cell : values.row(i)) {
            const int j = cell.column;
            const double lv = std::log(cell.value);
            addL(i, i, 1.0);
            addL(j, j, 1.0);
            addL(i, j, -1.0);
            addL(j, i, -1.0);
            if (i > 0)
                b[size_t(i - 1)] += lv;
            if (j > 0)
                b[size_t(j - 1)] -= lv;
        }
    }
    for (int c = 0; c < k; ++c) {
        double d = l[size_t(c) * size_t(k) + size_t(c)];
        for (int p = 0; p < c; ++p)
            d -= l[size_t(c) * size_t(k) + size_t(p)] * l[size_t(c) * size_t(k) + size_t(p)];
        if (!(d > 0.0)) {
            result.computed = false;
            result.error = QStringLiteral("The entered pairs of '%1' give no unique completion").arg(owner);
            return result;
        }
        d = std::sqrt(d);
        l[size_t(c) * size_t(k) + size_t(c)] = d;
        for (int r = c + 1; r < k; ++r) {
            double v = l[size_t(r) * size_t(k) + size_t(c)];
            for (int p = 0; p < c; ++p)
                v -= l[size_t(r) * size_t(k) + size_t(p)] * l[size_t(c) * size_t(k) + size_t(p)];
            l[size_t(r) * size_t(k) + size_t(c)] = v / d;
        }
    }
    for (int r = 0; r < k; ++r) {
        double v = b[size_t(r)];
        for (int p = 0; p < r; ++p)
            v -= l[size_t(r) * size_t(k) + size_t(p)] * b[size_t(p)];
        b[size_t(r)] = v / l[size_t(r) * size_t(k) + size_t(r)];
    }
    for (int r = k - 1; r >= 0; --r) {
        double v = b[size_t(r)];
        for (int p = r + 1; p < k; ++p)
            v -= l[size_t(p) * size_t(k) + size_t(r)] * b[size_t(p)];
        b[size_t(r)] = v / l[size_t(r) * size_t(k) + size_t(r)];
    }
    std::vector<double> y(un, 0.0);
    for (int r = 0; r < k; ++r)
        y[size_t(r + 1)] = b[size_t(r)];

    // With repeated names each missing entry is filled once, at its first cell, and cells of an
    // item against its own name stay as they are.
    bool repeated = false;
    const std::vector<int> classes = nameClasses(matrix.names(), &repeated);
    std::vector<char> filled(un * un, 0);
    for (int column = 0; column < n; ++column) {
        for (int row = 0; row < n; ++row) {
            const int cr = classes[size_t(row)], cc = classes[size_t(column)];
            if (row == column || m.isEntered(row, column) || filled[size_t(cr) * un + size_t(cc)] || cr == cc)
                continue;
            const int position = NearestScalePosition(std::exp(y[size_t(row)] - y[size_t(column)]));
            CompletionCell cell{row, column, ScaleText(position), ScaleReciprocalText(position)};
            if (inverse) {
                // An entered transposed cell keeps its text; a missing one is filled here.
                if (const QString *mirror = m.text[size_t(column) * un + size_t(row)])
                    cell.reciprocal = *mirror;
                filled[size_t(cc) * un + size_t(cr)] = 1;
            }
            filled[size_t(cr) * un + size_t(cc)] = 1;
            result.cells.push_back(std::move(cell));
        }
    }
    return result;
}

} // namespace priomat
