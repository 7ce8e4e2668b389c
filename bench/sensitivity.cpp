// priomat-bench-sensitivity: the sensitivity analysis on a generated document (300 leaves x 40
// alternatives by default).
// 1. After each of R entries in a leaf's alternatives matrix (through the session, as the main
//    window makes them): the analysis, the root's tipping points and the weight chart's lines,
//    then the same plus the shown 40 x 40 matrix's judgement robustness, then the whole page
//    refresh with its widgets (offscreen).
// 2. priomat-cli evaluate against priomat-cli sensitivity on the same file, alternating, R runs.
// Medians in milliseconds.
#include "Arguments.h"
#include "Timing.h"
#include "DataGenerator.h"
#include "document/DocumentSession.h"
#include "model/ComparisonValue.h"
#include "model/Sensitivity.h"
#include "ui/windows/SensitivityPage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace priomat;
using priomat::bench::Clock;
using priomat::bench::median;
using priomat::bench::millisecondsSince;

namespace {

const char *const Usage =
    "Usage: priomat-bench-sensitivity [--leaves N] [--parents P] [--alternatives A] [--runs R]\n"
    "                                 [--file FILE] [--cli PATH]\n"
    "  --file FILE   time priomat-cli on FILE instead of the generated document\n"
    "  --cli PATH    the priomat-cli to run (default: the one built beside this bench)\n";

struct SilentHost : SessionHost
{
    OverwriteChoice confirmOverwrite(OverwriteReason, const QString &) override { return OverwriteChoice::Cancel; }
    bool askRecovery() override { return false; }
    void showError(const QString &message) override { std::fprintf(stderr, "%s\n", qPrintable(message)); }
    void showNotADataFile(const QString &message) override { std::fprintf(stderr, "%s\n", qPrintable(message)); }
};

// Milliseconds of one priomat-cli run, -1 on failure.
double timeCli(const QString &cli, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    const auto start = Clock::now();
    process.start(cli, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1.0;
    return millisecondsSince(start);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    bench::Arguments arguments;
    arguments.runs = 7;
    if (!bench::ReadArguments(QCoreApplication::arguments().mid(1), {"--file", "--cli"}, arguments)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const bench::Shape shape = arguments.shape;
    const int runs = arguments.runs;
    QString file = arguments.values.value("--file");
    const QString cli = arguments.values.value("--cli", QStringLiteral(PRIOMAT_CLI));

    QTemporaryDir dir;
    if (file.isEmpty()) {
        file = dir.filePath(QStringLiteral("generated.ahp"));
        bench::WriteGeneratedFile(file, shape, 20240521);
    }

    SilentHost host;
    DocumentSession session;
    session.setHost(&host);
    if (!session.open(file))
        return 1;
    RequirementNode *root = session.document().tree.root();
    RequirementNode *leaf = root;
    while (leaf->hasChildren())
        leaf = leaf->child(0);
    session.setCurrentNode(leaf);
    const int n = session.shownMatrix().size();
    std::printf("document: %s, %d nodes, %lld alternatives; shown matrix %d x %d\n", qPrintable(file),
                session.document().tree.nodeCount(), static_cast<long long>(session.document().alternatives().size()),
                n, n);

    SensitivityPage page(false);
    page.attachSession(&session);
    page.resize(900, 700);

    std::vector<double> chartTimes;
    std::vector<double> withJudgements;
    std::vector<double> pageTimes;
    std::vector<double> entryTimes;
    int crossovers = 0;
    for (int run = 0; run < runs; ++run) {
        // An entry in a different cell each time, as a user goes through the matrix.
        const int row = 1 + run % std::max(1, n - 1);
        const int position = ScaleFirstPosition + (run * 5) % ScaleLastPosition;
        auto start = Clock::now();
        session.enterValue({row + 1, row, ScaleText(position), ScaleReciprocalText(position)});
        entryTimes.push_back(millisecondsSince(start));

        start = Clock::now();
        {
            const SensitivityAnalysis analysis(session.document(),
                                               [&session](const QString &name) { return session.leafWeights(name); });
            const std::vector<TippingPoint> tips = analysis.tippingPoints(root);
            const WeightSensitivity chart = analysis.weightSensitivity(root, 0);
            crossovers = int(chart.crossovers.size());
            chartTimes.push_back(millisecondsSince(start));
            analysis.judgementRobustness(session.shownMatrix().items, true);
            withJudgements.push_back(millisecondsSince(start));
        }
        start = Clock::now();
        page.refresh();
        pageTimes.push_back(millisecondsSince(start));
    }
    std::printf("entry (store, weights, evaluation)      median %8.2f ms\n", median(entryTimes));
    std::printf("analysis + root tipping points + chart  median %8.2f ms  (%d crossovers on the chart)\n",
                median(chartTimes), crossovers);
    std::printf("  + judgement robustness of %d x %d     median %8.2f ms\n", n, n, median(withJudgements));
    std::printf("page refresh (all of it, widgets too)   median %8.2f ms\n", median(pageTimes));

    std::vector<double> evaluate;
    std::vector<double> sensitivity;
    for (int run = 0; run < runs; ++run) {
        evaluate.push_back(timeCli(cli, {QStringLiteral("evaluate"), file}));
        sensitivity.push_back(timeCli(cli, {QStringLiteral("sensitivity"), file}));
        if (evaluate.back() < 0 || sensitivity.back() < 0) {
            std::fprintf(stderr, "priomat-bench-sensitivity: %s failed\n", qPrintable(cli));
            return 1;
        }
    }
    const double e = median(evaluate);
    const double s = median(sensitivity);
    std::printf("priomat-cli evaluate                    median %8.2f ms\n", e);
    std::printf("priomat-cli sensitivity                 median %8.2f ms  (%.2f x evaluate)\n", s, s / e);
    return 0;
}
