#include "document/GroupDecision.h"

#include "document/DataFile.h"
#include "document/DocumentFile.h"
#include "model/ComparisonMatrix.h"
#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "model/Evaluation.h"
#include "model/FloatFormat.h"
#include "model/Priorities.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace priomat {

QStringList BlankCopyLines(const Document &document)
{
    return FormatDataFile(document.tree, document.alternativesLines, ComparisonTable(), ComparisonTable());
}

GroupInputError::GroupInputError(Kind kind, QString message)
    : kind_(kind), message_(std::move(message)), what_(message_.toUtf8())
{}

std::optional<double> GroupResult::value(int participant, int matrix, int row, int column) const
{
    const size_t cell = matrices[size_t(matrix)].firstCell + size_t(row) * size_t(matrices[size_t(matrix)].size())
                        + size_t(column);
    const std::uint16_t code = codes[size_t(participant)][cell];
    if (code == 0)
        return std::nullopt;
    if (code == 0xFFFF)
        return overflow[size_t(participant)].at(cell);
    return distinct[code - 1u];
}

namespace {

using Kind = GroupInputError::Kind;

QString say(bool japanese, const QString &ja, const QString &en)
{
    return japanese ? ja : en;
}

// The first place where `tree` differs from `first` in captions or structure, in pre-order.
std::optional<QString> treeDifference(const RequirementTree &tree, const RequirementTree &first, bool japanese)
{
    if (tree.topLevelCount() != first.topLevelCount())
        return say(japanese, QStringLiteral("要求ツリーの最上位の要求が %1 個あります（最初のファイルは %2 個）"),
                   QStringLiteral("the requirement tree has %1 top-level nodes, the first file %2"))
            .arg(tree.topLevelCount())
            .arg(first.topLevelCount());
    std::vector<std::pair<const RequirementNode *, const RequirementNode *>> stack;
    for (int i = tree.topLevelCount() - 1; i >= 0; --i)
        stack.emplace_back(tree.topLevel(i), first.topLevel(i));
    while (!stack.empty()) {
        const auto [mine, theirs] = stack.back();
        stack.pop_back();
        if (mine->caption() != theirs->caption())
            return say(japanese, QStringLiteral("最初のファイルの「%2」の位置に「%1」があります"),
                       QStringLiteral("requirement '%1' stands where the first file has '%2'"))
                .arg(mine->caption(), theirs->caption());
        if (mine->childCount() != theirs->childCount())
            return say(japanese, QStringLiteral("要求「%1」の子が %2 個あります（最初のファイルは %3 個）"),
                       QStringLiteral("requirement '%1' has %2 children, in the first file %3"))
                .arg(mine->caption())
                .arg(mine->childCount())
                .arg(theirs->childCount());
        for (int i = mine->childCount() - 1; i >= 0; --i)
            stack.emplace_back(mine->child(i), theirs->child(i));
    }
    return std::nullopt;
}

std::optional<QString> alternativesDifference(const QStringList &mine, const QStringList &first, bool japanese)
{
    for (qsizetype i = 0; i < std::min(mine.size(), first.size()); ++i) {
        if (mine.at(i) != first.at(i))
            return say(japanese, QStringLiteral("%1 番目の代替案が「%2」です（最初のファイルは「%3」）"),
                       QStringLiteral("alternative %1 is '%2', in the first file '%3'"))
                .arg(i + 1)
                .arg(mine.at(i), first.at(i));
    }
    if (mine.size() != first.size())
        return say(japanese, QStringLiteral("代替案が %1 個あります（最初のファイルは %2 個）"),
                   QStringLiteral("there are %1 alternatives, in the first file %2"))
            .arg(mine.size())
            .arg(first.size());
    return std::nullopt;
}

Document readParticipant(const QString &path, bool japanese)
{
    DataFileRead read;
    try {
        read = ReadDataFile(path);
    } catch (const FileError &error) {
        throw GroupInputError(Kind::Refused, error.message());
    }
    if (read.status == ReadStatus::Missing)
        throw GroupInputError(Kind::Refused,
                              say(japanese, QStringLiteral("%1 がありません。"), QStringLiteral("%1: no such file")).arg(path));
    if (read.status == ReadStatus::Foreign)
        throw GroupInputError(Kind::Refused, NotADataFileMessage(path, QStringLiteral("Priomat"), japanese));
    Document document;
    InstallParsedDocument(document, std::move(read.parsed), nullptr);
    return document;
}

// The entry behind a value the computation refused, named by its row and column.
QString unreadableEntry(const QString &path, const GroupMatrix &matrix, const ComparisonMatrix &cells,
                        const ComputationError &error, bool japanese)
{
    if (error.kind() == ComputationError::Kind::TooLarge)
        return say(japanese, QStringLiteral("%1: 「%2」のマトリックス: %3"), QStringLiteral("%1: the matrix of '%2': %3"))
            .arg(path, matrix.owner, error.message(japanese));
    std::vector<const QString *> row;
    for (int i = 0; i < cells.size(); ++i) {
        cells.rowEntries(i, row);
        for (int j = 0; j < cells.size(); ++j) {
            if (row[size_t(j)] && *row[size_t(j)] == error.valueText())
                return say(japanese, QStringLiteral("%1: 「%2」のマトリックスに読めない値があります: 行「%3」、列「%4」、「%5」"),
                           QStringLiteral("%1: the matrix of '%2' holds a value that cannot be read: "
                                          "row '%3', column '%4', '%5'"))
                    .arg(path, matrix.owner, matrix.items.names.at(i), matrix.items.names.at(j),
                         error.valueText());
        }
    }
    return say(japanese, QStringLiteral("%1: 「%2」のマトリックスを計算できません: %3"),
               QStringLiteral("%1: the matrix of '%2' cannot be computed: %3"))
        .arg(path, matrix.owner, error.message());
}

// What is known of one cell across the participants who entered it so far. The mean and the
// spread of the logarithms are updated one value at a time (West's weighted algorithm).
struct CellSummary
{
    double weight = 0.0;
    double mean = 0.0; // weighted mean of ln a
    double m2 = 0.0;   // weighted sum of squared deviations of ln a
    double lowest = 0.0;
    double highest = 0.0;
    int lowestBy = -1;
    int highestBy = -1;
    int lowestCount = 0;
    int highestCount = 0;
    int count = 0;

    void add(double value, double w, int participant)
    {
        const double x = std::log(value);
        weight += w;
        const double delta = x - mean;
        mean += delta * w / weight;
        m2 += w * delta * (x - mean);
        if (count == 0 || value < lowest) {
            lowest = value;
            lowestBy = participant;
            lowestCount = 1;
        } else if (value == lowest) {
            ++lowestCount;
        }
        if (count == 0 || value > highest) {
            highest = value;
            highestBy = participant;
            highestCount = 1;
        } else if (value == highest) {
            ++highestCount;
        }
        ++count;
    }
    // All who entered it agree: their value as it is, not through the logarithm and back.
    double combined() const { return lowest == highest ? lowest : std::exp(mean); }
    double dispersion() const { return std::exp(std::sqrt(std::max(0.0, m2 / weight))); }
};

// Codes of the values kept per participant: 0 is "not entered", the last code "see overflow".
constexpr std::uint16_t OverflowCode = 0xFFFF;

class ValueCodes
{
public:
    explicit ValueCodes(GroupResult &result) : result_(result) {}
    void store(int participant, size_t cell, double value)
    {
        auto found = ids_.find(value);
        if (found == ids_.end() && result_.distinct.size() < OverflowCode - 1u) {
            result_.distinct.push_back(value);
            found = ids_.emplace(value, std::uint16_t(result_.distinct.size())).first;
        }
        if (found != ids_.end()) {
            result_.codes[size_t(participant)][cell] = found->second;
        } else {
            result_.codes[size_t(participant)][cell] = OverflowCode;
            result_.overflow[size_t(participant)][cell] = value;
        }
    }

private:
    GroupResult &result_;
    std::unordered_map<double, std::uint16_t> ids_;
};

} // namespace

GroupResult CombineGroup(const std::vector<GroupParticipant> &participants, bool agreement, bool japanese)
{
    GroupResult result;
    Document first;
    QString firstPath;
    QStringList firstAlternatives;
    std::vector<CellSummary> cells;
    std::vector<std::vector<double>> consistency; // per participant, per matrix
    ValueCodes codes(result);

    for (size_t p = 0; p < participants.size(); ++p) {
        const QString &path = participants[p].path;
        const double weight = participants[p].weight;
        result.participantNames.append(QFileInfo(path).fileName());
        result.weights.push_back(weight);

        Document document = readParticipant(path, japanese);
        const QStringList alternatives = document.alternatives();
        if (p == 0) {
            firstPath = path;
            firstAlternatives = alternatives;
            size_t cellCount = 0;
            document.tree.forEachPreOrder([&](RequirementNode *node, int) {
                MatrixItems items = ItemsUnder(document, node);
                if (items.names.size() < 2)
                    return;
                result.matrices.push_back({node->caption(), std::move(items), cellCount});
                cellCount += size_t(result.matrices.back().size()) * size_t(result.matrices.back().size());
            });
            cells.resize(cellCount);
        } else {
            std::optional<QString> difference = treeDifference(document.tree, first.tree, japanese);
            if (!difference)
                difference = alternativesDifference(alternatives, firstAlternatives, japanese);
            if (difference)
                throw GroupInputError(Kind::Refused,
                                      say(japanese, QStringLiteral("%1 は %2 と同じモデルではありません: %3"),
                                          QStringLiteral("%1: not the model of %2: %3"))
                                          .arg(path, firstPath, *difference));
        }
        if (agreement) {
            result.codes.emplace_back(cells.size(), std::uint16_t(0));
            result.overflow.emplace_back();
            consistency.emplace_back(result.matrices.size(), 0.0);
        }

        // The trees agree, so the matrices come in the same order as the first file's.
        LeafWeightCache cache;
        size_t m = 0;
        document.tree.forEachPreOrder([&](RequirementNode *node, int) {
            if (node->childCount() == 1)
                UpdateChildWeights(document.RequirementComparisons, node);
            if ((node->hasChildren() ? node->childCount() : alternatives.size()) < 2)
                return;
            const GroupMatrix &matrix = result.matrices[m];
            const ComparisonMatrix entries = ComparisonMatrix::of(document, matrix.items);
            const int n = matrix.size();
            MatrixValues values;
            Priorities priorities;
            try {
                values = ReadMatrixValues(entries);
                if (agreement)
                    priorities = ComputePriorities(values);
            } catch (const ComputationError &error) {
                throw GroupInputError(Kind::Value, unreadableEntry(path, matrix, entries, error, japanese));
            }
            if (values.cells.empty())
                result.notes.append(say(japanese,
                                        QStringLiteral("%1: 「%2」のマトリックスには何も入力されていないため、このマトリックスから外しました"),
                                        QStringLiteral("%1: nothing entered in the matrix of '%2'; left out of it"))
                                        .arg(result.participantNames.last(), matrix.owner));
            for (int i = 0; i < n; ++i) {
                for (const MatrixValues::Cell &cell : values.row(i)) {
                    const size_t index = matrix.firstCell + size_t(i) * size_t(n) + size_t(cell.column);
                    cells[index].add(cell.value, weight, int(p));
                    if (agreement)
                        codes.store(int(p), index, cell.value);
                }
            }
            if (agreement) {
                consistency[p][m] = priorities.consistencyIndex;
                if (matrix.items.leafShown) {
                    cache.store(matrix.items.leafName, alternatives, priorities.weights);
                } else {
                    for (int j = 0; j < n; ++j)
                        node->child(j)->data().LocalWeight = priorities.weights[size_t(j)];
                }
            }
            ++m;
        });

        if (agreement) {
            ResultLists lists;
            try {
                Recalculate(document, lists, {.force = true, .cache = &cache});
                std::vector<double> points;
                for (const ResultRow &row : lists.alternatives)
                    points.push_back(ShownValue(row.value));
                result.points.push_back(std::move(points));
            } catch (const ComputationError &error) {
                throw GroupInputError(Kind::Value, QStringLiteral("%1: %2").arg(path, error.message()));
            }
        }
        if (p == 0) {
            // Only the model is kept; the judgements are in the summaries now.
            first.tree = std::move(document.tree);
            first.alternativesLines = std::move(document.alternativesLines);
        }
    }

    // The combined document: every cell somebody entered, matrix by matrix, row by row.
    Document &combined = result.combined;
    combined.tree = std::move(first.tree);
    combined.alternativesLines = first.alternativesLines;
    for (const GroupMatrix &matrix : result.matrices) {
        const int n = matrix.size();
        ComparisonTable &table = matrix.items.leafShown ? combined.AlternativeComparisons
                                                        : combined.RequirementComparisons;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                const CellSummary &cell = cells[matrix.firstCell + size_t(i) * size_t(n) + size_t(j)];
                if (cell.count == 0)
                    continue;
                const QString &row = matrix.items.names.at(i);
                const QString &column = matrix.items.names.at(j);
                const QString value = FormatFloat(cell.combined());
                if (matrix.items.leafShown)
                    table.appendUnindexed(KeyFields(matrix.items.leafName, row, column), value);
                else
                    table.appendUnindexed(KeyFields(row, column), value);
            }
        }
    }
    combined.RequirementComparisons.indexAppended();
    combined.AlternativeComparisons.indexAppended();
    if (!agreement)
        return result;

    // The group's own evaluation, and its weights for the compatibility.
    LeafWeightCache cache;
    ResultLists lists;
    try {
        UpdateSubtreeWeights(combined.RequirementComparisons, combined.tree.root());
        Recalculate(combined, lists, {.force = true, .cache = &cache});
        for (const ResultRow &row : lists.alternatives)
            result.combinedPoints.push_back(ShownValue(row.value));
    } catch (const ComputationError &error) {
        throw GroupInputError(Kind::Value, say(japanese, QStringLiteral("統合した判断: %1"),
                                               QStringLiteral("the combined judgements: %1"))
                                               .arg(error.message()));
    }
    result.alternatives = combined.alternatives();
    double weightSum = 0.0;
    for (double w : result.weights)
        weightSum += w;
    result.meanPoints.assign(size_t(result.alternatives.size()), 0.0);
    for (size_t p = 0; p < result.points.size(); ++p) {
        for (size_t k = 0; k < result.meanPoints.size(); ++k)
            result.meanPoints[k] += result.weights[p] / weightSum * result.points[p][k];
    }

    size_t m = 0;
    combined.tree.forEachPreOrder([&](RequirementNode *node, int) {
        if ((node->hasChildren() ? node->childCount() : result.alternatives.size()) < 2)
            return;
        const GroupMatrix &matrix = result.matrices[m];
        const int n = matrix.size();
        std::vector<double> weights;
        if (matrix.items.leafShown) {
            const std::vector<double> *kept = cache.find(matrix.items.leafName, result.alternatives);
            weights = kept ? *kept
                           : ComputePriorities(ComparisonMatrix::of(combined, matrix.items)).weights;
        } else {
            for (int j = 0; j < n; ++j)
                weights.push_back(node->child(j)->data().LocalWeight);
        }
        for (size_t p = 0; p < participants.size(); ++p) {
            double sum = 0.0;
            int entered = 0;
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < n; ++j) {
                    if (i == j)
                        continue;
                    const std::optional<double> a = result.value(int(p), int(m), i, j);
                    if (!a)
                        continue;
                    sum += *a * weights[size_t(j)] / weights[size_t(i)];
                    ++entered;
                }
            }
            if (entered > 0)
                result.compatibility.push_back({int(m), int(p), (n + sum) / (n + entered), consistency[p][m]});
        }
        // Each pair once: the direction more participants entered, the row above the column
        // when they are as many.
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) {
                const CellSummary &upper = cells[matrix.firstCell + size_t(i) * size_t(n) + size_t(j)];
                const CellSummary &lower = cells[matrix.firstCell + size_t(j) * size_t(n) + size_t(i)];
                const bool useLower = lower.count > upper.count;
                const CellSummary &cell = useLower ? lower : upper;
                if (cell.count < 2)
                    continue;
                result.pairs.push_back({int(m), useLower ? j : i, useLower ? i : j, cell.dispersion(), cell.lowest,
                                        cell.lowestBy, cell.lowestCount, cell.highest, cell.highestBy,
                                        cell.highestCount});
            }
        }
        ++m;
    });
    std::stable_sort(result.pairs.begin(), result.pairs.end(),
                     [](const DisputedPair &a, const DisputedPair &b) { return a.dispersion > b.dispersion; });
    return result;
}

QStringList AgreementLines(const GroupResult &result)
{
    const auto givenBy = [&result](int participant, int count) {
        const QString &name = result.participantNames.at(participant);
        return count > 1 ? QStringLiteral("%1 (+%2)").arg(name).arg(count - 1) : name;
    };
    QStringList lines{QStringLiteral("Owner\tParticipant\tCompatibility\tConsistency index")};
    for (const CompatibilityRow &row : result.compatibility)
        lines.append(QStringList{result.matrices[size_t(row.matrix)].owner, result.participantNames.at(row.participant),
                                 FormatFloat(row.compatibility), FormatFloat(row.consistencyIndex)}
                         .join(u'\t'));
    lines.append(QString());
    lines.append(QStringLiteral("Owner\tRow\tColumn\tDispersion\tLowest\tGiven by\tHighest\tGiven by"));
    for (const DisputedPair &pair : result.pairs) {
        const GroupMatrix &matrix = result.matrices[size_t(pair.matrix)];
        lines.append(QStringList{matrix.owner, matrix.items.names.at(pair.row), matrix.items.names.at(pair.column),
                                 FormatFloat(pair.dispersion), FormatFloat(pair.lowest),
                                 givenBy(pair.lowestBy, pair.lowestCount), FormatFloat(pair.highest),
                                 givenBy(pair.highestBy, pair.highestCount)}
                         .join(u'\t'));
    }
    lines.append(QString());
    lines.append(QStringList{QStringLiteral("Alternative"), result.participantNames.join(u'\t'), QStringLiteral("AIJ"),
                             QStringLiteral("AIP")}
                     .join(u'\t'));
    for (qsizetype k = 0; k < result.alternatives.size(); ++k) {
        QStringList cells{result.alternatives.at(k)};
        for (const std::vector<double> &points : result.points)
            cells.append(FormatFloat(points[size_t(k)]));
        cells.append(FormatFloat(result.combinedPoints[size_t(k)]));
        cells.append(FormatFloat(result.meanPoints[size_t(k)]));
        lines.append(cells.join(u'\t'));
    }
    return lines;
}

} // namespace priomat
