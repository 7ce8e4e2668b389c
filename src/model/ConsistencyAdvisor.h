// The consistency advisor: which entered judgement to change to lower a matrix's consistency
// index, what that change does to the ranking, the consistency ratio, and the completion of
// missing judgements from the entered ones. Pure computation, shared by the windows, the
// command-line tool and the benchmarks.
#pragma once

#include "model/ComparisonMatrix.h"
#include "model/Document.h"
#include "model/Evaluation.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace priomat {

// The most items the advisor and the completion work on (the grid shows no more).
inline constexpr int AdvisorMaxSize = 400;
inline constexpr int AdvisorSuggestionCount = 5;

// An entry the computation cannot read; row and column are item names.
struct UnreadableEntry
{
    QString owner;
    QString row;
    QString column;
    QString text;
};

// One suggested change of an entered judgement (row, column: 0-based matrix positions).
struct AdvisorSuggestion
{
    int row = 0;
    int column = 0;
    QString value;       // the entered text now
    int position = 0;    // scale position of the suggestion, 1 … 17
    QString suggested;   // its scale text
    QString reciprocal;  // what "Inverse" writes into the transposed cell
    double indexAfter = 0.0;
};

struct AdvisorResult
{
    // False when the matrix cannot be computed: `unreadable` names the entry when one is to
    // blame, `error` says why in every case.
    bool computed = false;
    std::optional<UnreadableEntry> unreadable;
    QString error;
    int tooManyItems = 0; // the matrix's size when it is over AdvisorMaxSize
    double consistencyIndex = 0.0;
    std::vector<AdvisorSuggestion> suggestions; // best first, at most `count`
};

// For each entered pair, the scale step that brings the index closest to 0 with every other
// entry fixed (with `inverse`, its reciprocal goes into the transposed cell, which makes one
// suggestion per pair); the pairs whose step lowers the index most, best first. The index is
// the program's own (ComputePriorities); every `indexAfter` is computed by it exactly.
AdvisorResult AdviseMatrix(const ComparisonMatrix &matrix, const QString &owner, bool inverse,
                           int count = AdvisorSuggestionCount);

// Names the first entry (row by row) that the computation cannot read, if any.
std::optional<UnreadableEntry> FindUnreadableEntry(const ComparisonMatrix &matrix, const QString &owner);

// The random index RI(n) for the consistency ratio CR = CI / RI(n).
enum class RandomIndexTable { None, Saaty, AlonsoLamata };
struct RandomIndex
{
    double value = 0.0;
    RandomIndexTable table = RandomIndexTable::None; // None: no ratio for n < 3
};
// Saaty's table for 3 ≤ n ≤ 15; beyond, Alonso and Lamata's linear fit of the mean principal
// eigenvalue of random matrices, λ = 2.7699 n − 4.3513, as RI = (1.7699 n − 4.3513) / (n − 1).
RandomIndex RandomIndexFor(int n);
QString RandomIndexTableName(RandomIndexTable table, bool japanese);

// The overall ranking before and after one change of the shown matrix, evaluated in full on
// a copy of the document.
struct RankingPreview
{
    bool computed = false; // false: the document cannot be evaluated (error says why)
    QString error;
    QStringList before; // alternatives, best first
    QStringList after;
    bool bestChanges = false;
    bool topThreeChange = false;
    std::optional<double> indexAfter; // the changed matrix's index, when it can be computed
};

struct CompletionCell;

// Evaluates a document with changed cells of one node's matrix, reusing one copy.
class RankingPreviewer
{
public:
    RankingPreviewer(const Document &document, const RequirementNode *node);
    ~RankingPreviewer();
    RankingPreviewer(const RankingPreviewer &) = delete;
    RankingPreviewer &operator=(const RankingPreviewer &) = delete;

    RankingPreview preview(const AdvisorSuggestion &suggestion, bool inverse);
    // Several cells at once (a completion); with `inverse` each reciprocal goes into its mirror.
    RankingPreview preview(const std::vector<CompletionCell> &cells, bool inverse);
    // The alternatives of an evaluation's list, best first (equal points keep their order).
    static QStringList rankingOf(const QList<ResultRow> &alternatives);

private:
    struct Copy;
    Copy *copy_;
};

// Completion of the missing cells from the entered ones.
struct CompletionCell
{
    int row = 0;
    int column = 0;
    QString value;
    QString reciprocal; // for the transposed cell: its own text when it is entered
};
struct Completion
{
    bool computed = false;
    std::optional<UnreadableEntry> unreadable;
    QString error;
    int tooManyItems = 0; // the matrix's size when it is over AdvisorMaxSize
    // More than one group: the entered pairs do not connect the items; each group's names.
    std::vector<QStringList> groups;
    std::vector<CompletionCell> cells; // column by column, as the grid is walked
};

// Logarithmic least squares over the entered pairs only (the Laplacian system of the graph of
// entered pairs), each missing cell set to the scale step nearest to w_i / w_j. With `inverse`
// a missing pair is filled once, its reciprocal going into the transposed cell.
Completion CompleteFromEntered(const ComparisonMatrix &matrix, const QString &owner, bool inverse);

// The scale position (1 … 17) nearest to a ratio, measured on a logarithmic scale.
int NearestScalePosition(double ratio);

} // namespace priomat
