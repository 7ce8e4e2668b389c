// How far the decision is from changing: the alternatives' points as a child's local weight
// varies, the weights at which the best alternative changes, and the scale steps of each entered
// judgement that would change it.
#pragma once

#include "model/Document.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace priomat {

// The alternatives' weights under a leaf (trimmed caption); when not given, they are computed
// from the document's table.
using LeafWeightsSource = std::function<std::vector<double>(const QString &leafName)>;

// Points of one alternative as a function of the varied weight x: offset + slope · x.
struct PointLine
{
    double offset = 0.0;
    double slope = 0.0;
    double at(double x) const { return offset + slope * x; }
};

// A weight at which the best alternative changes from `before` (left of it) to `after`.
struct Crossover
{
    double weight = 0.0;
    int before = -1;
    int after = -1;
};

// One child's weight varied from 0 to 1, its siblings rescaled in proportion.
struct WeightSensitivity
{
    int child = -1;
    double currentWeight = 0.0;
    int currentWinner = -1;
    std::vector<PointLine> lines;      // one per alternative
    std::vector<Crossover> crossovers; // ascending, strictly inside 0 … 1
};

// The nearest weights below and above the current one at which the best alternative changes.
struct TippingPoint
{
    int child = -1;
    QString caption;
    double weight = 0.0;
    int currentWinner = -1;
    std::optional<double> below;
    int winnerBelow = -1;
    std::optional<double> above;
    int winnerAbove = -1;
};

// The nearest scale step in one direction at which the best alternative changes.
struct JudgementStep
{
    bool found = false;
    QString value;  // the value text at that step
    int steps = 0;  // scale steps away from the entered value
    int winner = -1;
};

struct JudgementRobustness
{
    int row = -1;
    int column = -1;
    QString rowName;
    QString columnName;
    QString value;          // as entered
    bool onScale = false;   // entered values off the 17-step scale are not stepped
    JudgementStep lower;    // towards the column item
    JudgementStep higher;   // towards the row item
    // The fewer steps of the two directions, 0 when neither changes the decision.
    int nearestSteps() const;
};

// Judgements this many steps or fewer from changing the decision deserve a second look.
inline constexpr int CloseJudgementSteps = 2;

// Every pair is tried at every scale step, which grows with the cube of a matrix's size:
// larger matrices get no judgement analysis.
inline constexpr int JudgementAnalysisLimit = 200;

// The text shown where no change lies within reach.
inline const QString NoChange = QStringLiteral("\u2014");

// The cells of one table row as the window and the command line show them: child, weight,
// winner, weight below, its winner, weight above, its winner.
QStringList TippingPointCells(const TippingPoint &point, const QStringList &alternatives);
// Row, column, value, lower value, its steps, its winner, higher value, its steps, its winner,
// and "!!" or "!" when one or two steps change the decision.
QStringList JudgementCells(const JudgementRobustness &pair, const QStringList &alternatives);

// Index of the largest value; values within a relative 1e-12 of it count as equal and the first
// of them wins. -1 for an empty list.
int BestAlternative(const std::vector<double> &points);
// The best alternative once the points changed: `current` as long as it still ties with the
// best, so that the decision changes only when another alternative is really ahead.
int WinnerAfterChange(const std::vector<double> &points, int current);

// The evaluation of a document taken apart by node, so that one weight or one matrix can be
// changed and the points found again without evaluating everything. Built from the tree's
// current LocalWeight values; build it after the weights are up to date.
class SensitivityAnalysis
{
public:
    // Throws ComputationError (naming the leaf) when a leaf's alternatives cannot be computed.
    explicit SensitivityAnalysis(const Document &document, const LeafWeightsSource &leafWeights = {});

    const QStringList &alternatives() const { return alternatives_; }
    const std::vector<double> &points() const { return points_; }
    int winner() const { return winner_; }

    // For a node with two or more children and a child index.
    WeightSensitivity weightSensitivity(const RequirementNode *node, int child) const;
    std::vector<TippingPoint> tippingPoints(const RequirementNode *node) const;

    // Every entered pair of the matrix of `items` (a node's children or a leaf's alternatives),
    // changed one scale step after the other in each direction as an entry would change it:
    // with `inverse` the transposed pair takes the reciprocal. With `inverse` each pair is
    // listed once. Throws ComputationError when the matrix cannot be read.
    std::vector<JudgementRobustness> judgementRobustness(const MatrixItems &items, bool inverse) const;

private:
    struct NodeInfo
    {
        const RequirementNode *node = nullptr;
        double path = 1.0;             // product of the local weights from the root down to it
        std::vector<double> subtree;   // Σ over the leaves below of relative importance · weights
        const std::vector<double> *leafWeights = nullptr; // leaves only
    };
    const NodeInfo &info(const RequirementNode *node) const;
    // The points with other local weights for the children of some nodes.
    std::vector<double> pointsWithOverrides(
        const QHash<const RequirementNode *, std::vector<double>> &childWeights) const;

    const Document &document_;
    QStringList alternatives_;
    // By case-folded trimmed leaf name; a map, because nodes keep pointers into it.
    std::map<QString, std::vector<double>> leafWeights_;
    std::vector<NodeInfo> nodes_;                     // the root's subtree in pre-order
    QHash<const RequirementNode *, int> index_;
    std::vector<double> points_;
    int winner_ = -1;
};

// What the sensitivity page says first: the winner's lead over the runner-up, the tipping
// weight nearest to its current weight, and the judgement fewest scale steps from a change.
struct SensitivitySummary
{
    int winner = -1;
    int runnerUp = -1;  // -1 with fewer than two alternatives
    double lead = 0.0;  // points of the winner less those of the runner-up
    std::optional<TippingPoint> weight; // the child whose tipping weight lies nearest
    double tippingWeight = 0.0;         // that weight
    int weightWinner = -1;              // best there
    std::optional<JudgementRobustness> judgement; // the pair fewest steps from a change
    JudgementStep judgementStep;                  // its nearer direction
};
SensitivitySummary SummarizeSensitivity(const std::vector<double> &points, const std::vector<TippingPoint> &tipping,
                                        const std::vector<JudgementRobustness> &judgements);

} // namespace priomat
