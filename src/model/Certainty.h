// How sure the decision is: every entered judgement moved at random along the 17-step scale and
// the whole document evaluated again, many times over.
#pragma once

#include "model/ComparisonMatrix.h"
#include "model/Document.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace priomat {

inline constexpr int CertaintyDefaultSpread = 1;
inline constexpr int CertaintyMaxSpread = 3;
inline constexpr int CertaintyDefaultDraws = 10000;
inline constexpr int CertaintyMaxDraws = 100000;
inline constexpr std::uint64_t CertaintyDefaultSeed = 1;
// The judgements listed as those that matter most.
inline constexpr int CertaintyJudgementCount = 10;

struct CertaintyOptions
{
    int spread = CertaintyDefaultSpread; // each judgement moves by an offset in −spread … spread
    int draws = CertaintyDefaultDraws;
    std::uint64_t seed = CertaintyDefaultSeed;
    int threads = 0; // 0: one per core; the results do not depend on it
    // Called now and then with the draws done so far; returning false stops the run.
    std::function<bool(int done)> progress = {};
};

struct AlternativeCertainty
{
    QString name;
    double points = 0.0; // now, as the evaluation gives them
    int rank = 0;        // now, 1 for the best
    double bestShare = 0.0;
    std::vector<double> rankShares; // [r]: share of draws in which it came (r + 1)th
    double p5 = 0.0, p50 = 0.0, p95 = 0.0; // percentiles of its points over the draws
};

// One judgement: an entered pair, counted once with its mirror.
struct JudgementInfluence
{
    bool requirements = true; // a requirement judgement, else an alternatives one under `owner`
    QString owner;            // the node whose children are compared, or the leaf
    QString rowName;
    QString columnName;
    QString value;       // the row item against the column item, as entered
    bool towardsRow = false; // the direction of move measured: towards the row item or the column item
    int moved = 0;       // draws in which it moved that way
    int changed = 0;     // of those, the draws with another winner
    double share() const { return moved > 0 ? double(changed) / moved : 0.0; }
};

struct CertaintyResult
{
    int spread = 0;
    int draws = 0;
    std::uint64_t seed = 0;
    bool cancelled = false;
    int winner = -1;         // the best alternative now
    int winnerChanges = 0;   // draws whose best alternative is another
    int judgementCount = 0;  // judgements that were moved
    std::vector<AlternativeCertainty> alternatives; // in the order of the alternatives
    // The judgements whose moves go most often with a change of the winner, most first. The
    // measure: for each direction a judgement can move in, the share of draws with another
    // winner among the draws in which it moved that way; the larger of the two directions.
    // Listed only when some draw changed the winner.
    std::vector<JudgementInfluence> judgements;
};

// Each draw moves every entered judgement, each pair once (the mirror takes the reciprocal, as
// with Inverse on), by its own offset drawn uniformly from −spread … spread along the 17-step
// scale. A value off the scale starts from the step nearest to it on the log scale; the ends of
// the scale clip. An offset 0 leaves the pair exactly as entered. Then the whole document is
// evaluated as Recalculate does. Ranks are by points, equal points in the alternatives' order.
// Percentiles interpolate linearly between the nearest ranks.
// Each draw has its own random sequence derived from the seed and the draw's number, so the
// results do not depend on how many threads share the work.
// Throws ComputationError (naming the matrix's owner) when the document cannot be evaluated.
CertaintyResult SimulateCertainty(const Document &document, const CertaintyOptions &options);

// The offsets of one draw: a SplitMix64 sequence (Steele, Lea and Flood, 2014) starting from a
// mix of the seed and the draw's number; each offset takes the next 16-bit piece of its words
// (low piece first), a piece at or beyond the largest multiple of 2·spread + 1 below 65536 being
// skipped, and is the piece modulo 2·spread + 1, less spread. Defined this way, the same seed
// gives the same offsets on every platform, and a draw's sequence costs nothing to set up.
class OffsetSource
{
public:
    OffsetSource(std::uint64_t seed, std::uint64_t draw);
    int next(int spread);

private:
    std::uint64_t word();
    std::uint64_t state_;
    std::uint64_t bits_ = 0;
    int pieces_ = 0;
};

// The ranking under the other usual ways of computing AHP: weights by the row geometric mean
// (the program's own) or by the principal eigenvector, combined by distributive synthesis (the
// program's own) or by ideal synthesis (each leaf's alternative weights divided by their
// largest, the totals normalised to sum 1).
enum class AhpMethod { GeometricDistributive, GeometricIdeal, EigenvectorDistributive, EigenvectorIdeal };
inline constexpr int AhpMethodCount = 4;
QString AhpMethodName(AhpMethod method, bool japanese);

struct MatrixConsistencyComparison
{
    bool requirements = true;
    QString owner;       // the node whose children are compared, or the leaf
    int size = 0;
    double index = 0.0;  // the program's consistency index
    double lambdaMax = 0.0;  // the principal eigenvalue
    bool hasRatio = false;   // Saaty's ratio needs three or more items
    double ratio = 0.0;      // (λmax − n) / (n − 1) / RI(n)
    // The index and the ratio fall on different sides of 0.1.
    bool verdictsDiffer() const { return hasRatio && ((index <= 0.1) != (ratio <= 0.1)); }
};

struct MethodComparison
{
    QStringList alternatives;
    std::vector<double> points[AhpMethodCount]; // by AhpMethod, in the order of the alternatives
    std::vector<int> ranks[AhpMethodCount];     // 1 for the best
    std::vector<MatrixConsistencyComparison> matrices; // the evaluated matrices, in tree order
    // Whether alternative k has the same rank under every method.
    bool rankAgrees(int k) const;
    bool ranksAgree() const;
};

// Throws ComputationError (naming the matrix's owner) when the document cannot be evaluated.
MethodComparison CompareMethods(const Document &document);

struct EigenvectorResult
{
    std::vector<double> weights; // sums to 1
    double lambdaMax = 0.0;
};
// Power iteration from `start` (positive, summing to 1) until no weight changes by more than a
// few units in the last place; pairs not entered count as 1.
EigenvectorResult PrincipalEigenvector(const MatrixValues &values, const std::vector<double> &start);

} // namespace priomat
