// priomat-bench-certainty: the judgement simulation and the methods comparison against one full
// evaluation of the same document (every weight from the root and the points, no cache), all
// measured in the same run.
// 1. The generated document (300 leaves x 40 alternatives by default): one evaluation (median of
//    R runs), N draws at spread 1, the methods comparison.
// 2. examples/new-office.ahp: the same.
#include "Arguments.h"
#include "Timing.h"
#include "DataGenerator.h"
#include "document/DocumentOpen.h"
#include "model/Certainty.h"

#include <QCoreApplication>

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
    "Usage: priomat-bench-certainty [--leaves N] [--parents P] [--alternatives A] [--runs R]\n"
    "                               [--draws D] [--threads T] [--file FILE]\n"
    "  --file FILE   the small document (default: examples/new-office.ahp)\n"
    "  --threads T   threads of the simulation (default: one per core)\n";

void measure(const char *title, Document &document, int runs, int draws, int threads)
{
    std::vector<double> evaluations;
    for (int run = 0; run < runs; ++run) {
        ResultLists lists;
        const auto start = Clock::now();
        ComputeDocument(document, lists, {.automatic = true});
        evaluations.push_back(millisecondsSince(start));
    }
    const double evaluation = median(evaluations);

    auto start = Clock::now();
    const CertaintyResult result =
        SimulateCertainty(document, {.spread = 1, .draws = draws, .seed = 1, .threads = threads});
    const double simulation = millisecondsSince(start);

    std::vector<double> methodTimes;
    for (int run = 0; run < std::min(runs, 3); ++run) {
        start = Clock::now();
        CompareMethods(document);
        methodTimes.push_back(millisecondsSince(start));
    }
    const double methods = median(methodTimes);

    std::printf("%s: %d judgements, %zu alternatives\n", title, result.judgementCount, result.alternatives.size());
    std::printf("  one evaluation               median %10.2f ms\n", evaluation);
    std::printf("  %6d draws, spread 1        %10.2f ms  (%.1f evaluations; winner changed in %d draws)\n", draws,
                simulation, simulation / evaluation, result.winnerChanges);
    std::printf("  methods comparison           median %10.2f ms  (%.2f evaluations)\n", methods, methods / evaluation);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    bench::Arguments arguments;
    if (!bench::ReadArguments(QCoreApplication::arguments().mid(1), {"--draws", "--threads", "--file"},
                              arguments)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const bench::Shape shape = arguments.shape;
    const int runs = arguments.runs;
    const int draws = std::clamp(arguments.values.value("--draws", QString::number(CertaintyDefaultDraws)).toInt(), 1,
                                 CertaintyMaxDraws);
    const int threads = std::max(0, arguments.values.value("--threads", "0").toInt());
    const QString file =
        arguments.values.value("--file", QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/new-office.ahp"));
    try {
        Document small;
        if (ReadDocumentInto(file, small, [] { return false; }).status != ReadStatus::Read) {
            std::fprintf(stderr, "priomat-bench-certainty: cannot read %s\n", qPrintable(file));
            return 1;
        }
        measure(qPrintable(file), small, runs * 4, draws, threads);

        Document generated = bench::BuildDocument(shape, 20240521);
        const QString title = QStringLiteral("generated %1 leaves x %2 alternatives").arg(shape.leaves).arg(shape.alternatives);
        measure(qPrintable(title), generated, runs, draws, threads);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "priomat-bench-certainty: %s\n", error.what());
        return 1;
    }
    return 0;
}
