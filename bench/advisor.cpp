// priomat-bench-advisor: times the consistency advisor's suggestions, the ranking preview and
// the completion on generated matrices. Run by hand; never a timed test.
#include "model/ComparisonValue.h"
#include "model/ConsistencyAdvisor.h"
#include "model/Priorities.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace priomat;

namespace {

QStringList itemNames(int n)
{
    QStringList names;
    for (int i = 0; i < n; ++i)
        names.append(QStringLiteral("Item %1").arg(i));
    return names;
}

// A reciprocal matrix near a random weight vector, with a share of pairs left out.
void fillMatrix(ComparisonTable &table, const QString &leaf, const QStringList &names, double missing,
                QRandomGenerator &random)
{
    const int n = int(names.size());
    std::vector<double> w(static_cast<size_t>(n));
    for (double &x : w)
        x = 1.0 + random.bounded(8.0);
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (random.bounded(1.0) < missing)
                continue;
            const double noisy = w[size_t(i)] / w[size_t(j)] * std::exp(random.bounded(1.6) - 0.8);
            const int position = NearestScalePosition(noisy);
            auto key = [&](int r, int c) {
                return leaf.isEmpty() ? requirementKey(names[r], names[c]) : alternativeKey(leaf, names[r], names[c]);
            };
            table.append(key(i, j), ScaleText(position));
            table.append(key(j, i), ScaleReciprocalText(position));
        }
    }
}

// Median and maximum of `runs` timings in milliseconds.
void report(const char *what, int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-48s median %8.3f ms   max %8.3f ms   (%d runs)\n", what, times[times.size() / 2], times.back(), runs);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QRandomGenerator random(20261207);
    for (const int n : {15, 40, 100, 400}) {
        const QStringList names = itemNames(n);
        ComparisonTable table;
        fillMatrix(table, QString(), names, 0.0, random);
        const ComparisonMatrix matrix(table, names);
        const int runs = n <= 40 ? 200 : 10;
        size_t count = 0;
        double ci = 0.0;
        report(qPrintable(QStringLiteral("suggestions %1 x %1").arg(n)), runs, [&] {
            const AdvisorResult result = AdviseMatrix(matrix, QStringLiteral("Goal"), true);
            count = result.suggestions.size();
            ci = result.consistencyIndex;
        });
        std::printf("    index %.6f, %zu suggestions\n", ci, count);
        report(qPrintable(QStringLiteral("one index (ComputePriorities) %1 x %1").arg(n)), runs,
               [&] { (void)ComputePriorities(matrix); });

        ComparisonTable sparse;
        fillMatrix(sparse, QString(), names, 0.7, random);
        const ComparisonMatrix incomplete(sparse, names);
        report(qPrintable(QStringLiteral("completion %1 x %1, 70% missing").arg(n)), runs,
               [&] { (void)CompleteFromEntered(incomplete, QStringLiteral("Goal"), true); });
    }

    // Ranking preview: 40 criteria under the root, 40 alternatives under each.
    Document document;
    auto *root = document.tree.appendTopLevel(std::make_unique<RequirementNode>(QStringLiteral("Goal")));
    const QStringList criteria = itemNames(40);
    for (const QString &name : criteria)
        root->appendChild(std::make_unique<RequirementNode>(name));
    fillMatrix(document.RequirementComparisons, QString(), criteria, 0.0, random);
    for (int i = 0; i < 40; ++i)
        document.alternativesLines.append(QStringLiteral("Alternative %1").arg(i));
    const QStringList alternatives = document.alternatives();
    for (const QString &leaf : criteria)
        fillMatrix(document.AlternativeComparisons, leaf, alternatives, 0.0, random);
    UpdateSubtreeWeights(document.RequirementComparisons, root);
    const AdvisorResult advice =
        AdviseMatrix(ComparisonMatrix(document.RequirementComparisons, criteria), QStringLiteral("Goal"), true);
    report("ranking preview of 5 suggestions, 40 x 40 x 40", 10, [&] {
        RankingPreviewer previewer(document, root);
        for (const AdvisorSuggestion &suggestion : advice.suggestions)
            (void)previewer.preview(suggestion, true);
    });
    return 0;
}
