// priomat-bench: generates two data files, the second with twice the entries, and times
// loading, evaluating and exporting them against a plain read of the same file.
#include "model/ComputationError.h"
#include "DataGenerator.h"
#include "Measure.h"
#include "document/TextFile.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <exception>
#include <functional>
#include <optional>

using namespace priomat;
using namespace priomat::bench;

namespace {

constexpr std::uint32_t DefaultSeed = 20240521;

const char *const Usage =
    "Usage: priomat-bench [--leaves N] [--parents P] [--alternatives A] [--runs R]\n"
    "                     [--seed S] [--in-process]\n"
    "\n"
    "Writes a data file with N leaves under P parents and A alternatives, every pair entered,\n"
    "and one with twice the entries (2N leaves under 2P parents), then times loading, the\n"
    "full evaluation and the CSV lines R times each and prints the medians.\n"
    "\n"
    "  --leaves N        leaves of the base case (default 300)\n"
    "  --parents P       parents of the base case (default 12)\n"
    "  --alternatives A  alternatives (default 40)\n"
    "  --runs R          runs per case (default 5)\n"
    "  --seed S          seed of the comparison values (default 20240521)\n"
    "  --in-process      run both cases in this process instead of one child process each\n";

struct Options
{
    Shape shape;
    int runs = 5;
    std::uint32_t seed = DefaultSeed;
    bool inProcess = false;
    QString generatePath; // child: write the file and report its counts
    QString measurePath;  // child: measure the file and report the figures
};

int fail(const QString &message)
{
    std::fprintf(stderr, "priomat-bench: %s\n", message.toUtf8().constData());
    return 2;
}

std::optional<QString> parseOptions(const QStringList &args, Options &options)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == u"--in-process") {
            options.inProcess = true;
            continue;
        }
        if (i + 1 >= args.size())
            return arg + QStringLiteral(" needs a value");
        const QString value = args.at(++i);
        if (arg == u"--generate") {
            options.generatePath = value;
            continue;
        }
        if (arg == u"--measure") {
            options.measurePath = value;
            continue;
        }
        bool ok = false;
        if (arg == u"--seed") {
            options.seed = value.toUInt(&ok);
            if (!ok)
                return QStringLiteral("--seed needs a whole number from 0 to 4294967295");
            continue;
        }
        const qlonglong number = value.toLongLong(&ok);
        if (!ok || number < 1 || number > 1000000)
            return arg + QStringLiteral(" needs a whole number from 1 to 1000000");
        if (arg == u"--leaves")
            options.shape.leaves = int(number);
        else if (arg == u"--parents")
            options.shape.parents = int(number);
        else if (arg == u"--alternatives")
            options.shape.alternatives = int(number);
        else if (arg == u"--runs")
            options.runs = int(number);
        else
            return QStringLiteral("unknown option ") + arg;
    }
    if (options.shape.parents > options.shape.leaves)
        return QStringLiteral("--parents must not exceed --leaves");
    if (options.shape.alternatives < 2)
        return QStringLiteral("--alternatives must be at least 2");
    return std::nullopt;
}

QStringList shapeArguments(const Shape &shape, std::uint32_t seed)
{
    return {QStringLiteral("--leaves"), QString::number(shape.leaves),
            QStringLiteral("--parents"), QString::number(shape.parents),
            QStringLiteral("--alternatives"), QString::number(shape.alternatives),
            QStringLiteral("--seed"), QString::number(seed)};
}

// Runs this program again with `arguments` and returns its standard output lines.
std::optional<QStringList> runChild(const QStringList &arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForStarted(-1) || !child.waitForFinished(-1))
        return std::nullopt;
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

QString generatedLine(const GeneratedFile &file)
{
    return QStringLiteral("generated\t%1\t%2\t%3")
        .arg(file.requirementEntries)
        .arg(file.alternativeEntries)
        .arg(file.bytes);
}

std::optional<GeneratedFile> parseGenerated(const QStringList &lines)
{
    for (const QString &line : lines) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 4 && fields.first() == u"generated")
            return GeneratedFile{fields.at(1).toLongLong(), fields.at(2).toLongLong(),
                                 fields.at(3).toLongLong()};
    }
    return std::nullopt;
}

void printLines(const QStringList &lines)
{
    for (const QString &line : lines)
        std::printf("%s\n", line.toUtf8().constData());
}

struct Case
{
    const char *name;
    Shape shape;
    QString path;
    GeneratedFile file;
    CaseMeasurement measurement;
};

template <typename Field>
double medianOf(const CaseMeasurement &m, Field field)
{
    std::vector<double> values;
    for (const RunTimes &times : m.runs)
        values.push_back(times.*field);
    return Median(values);
}

QString kilobytes(long kb)
{
    return kb < 0 ? QStringLiteral("n/a") : QString::number(kb);
}

QString growth(long before, long after)
{
    return before < 0 || after < 0 ? QStringLiteral("n/a") : QString::number(after - before);
}

void printReport(const Options &options, const std::vector<Case> &cases)
{
    std::printf("priomat-bench: load + evaluation + CSV on generated data files\n");
    std::printf("seed %u, %d runs per case, %s\n\n", options.seed, options.runs,
                options.inProcess ? "both cases in this process (base first)"
                                  : "each case in its own child process");

    std::printf("Data files (every off-diagonal pair of every matrix entered)\n");
    std::printf("%-8s %7s %8s %13s %12s %12s %12s %10s\n", "case", "leaves", "parents",
                "alternatives", "req entries", "alt entries", "all entries", "file MB");
    for (const Case &c : cases) {
        std::printf("%-8s %7d %8d %13d %12lld %12lld %12lld %10.1f\n", c.name, c.shape.leaves,
                    c.shape.parents, c.shape.alternatives, (long long)c.file.requirementEntries,
                    (long long)c.file.alternativeEntries,
                    (long long)(c.file.requirementEntries + c.file.alternativeEntries),
                    double(c.file.bytes) / (1024.0 * 1024.0));
    }
    std::printf("\n");

    std::printf("Median of %d runs, milliseconds (std::chrono::steady_clock)\n", options.runs);
    std::printf("%-14s %10s %10s %11s %10s %10s %15s\n", "case", "baseline", "load", "evaluation",
                "csv", "total", "total/baseline");
    struct Medians
    {
        double baseline, load, evaluation, csv, total;
    };
    std::vector<Medians> medians;
    for (const Case &c : cases) {
        const CaseMeasurement &m = c.measurement;
        const Medians row{medianOf(m, &RunTimes::baseline), medianOf(m, &RunTimes::load),
                          medianOf(m, &RunTimes::evaluation), medianOf(m, &RunTimes::csv),
                          medianOf(m, &RunTimes::total)};
        medians.push_back(row);
        std::printf("%-14s %10.1f %10.1f %11.1f %10.1f %10.1f %15.2f\n", c.name, row.baseline,
                    row.load, row.evaluation, row.csv, row.total, row.total / row.baseline);
    }
    const Medians &base = medians[0];
    const Medians &doubled = medians[1];
    std::printf("%-14s %9.2fx %9.2fx %10.2fx %9.2fx %9.2fx\n", "doubled/base",
                doubled.baseline / base.baseline, doubled.load / base.load,
                doubled.evaluation / base.evaluation, doubled.csv / base.csv,
                doubled.total / base.total);
    std::printf("\n");

    std::printf("Every run, milliseconds (baseline / load / evaluation / csv / total)\n");
    for (const Case &c : cases) {
        for (size_t r = 0; r < c.measurement.runs.size(); ++r) {
            const RunTimes &t = c.measurement.runs[r];
            std::printf("%-8s run %zu: %8.1f %8.1f %8.1f %8.1f %8.1f\n", c.name, r + 1,
                        t.baseline, t.load, t.evaluation, t.csv, t.total);
        }
    }
    std::printf("\n");

    std::printf("Memory, kB (ru_maxrss and VmHWM are peaks; growth is end minus start; VmRSS at\n"
                "the end with every document released, and again after malloc_trim)\n");
    std::printf("%-8s %12s %12s %12s %10s %12s %12s %10s %10s %12s\n", "case", "maxrss start",
                "after run 1", "maxrss end", "growth", "VmHWM start", "VmHWM end", "growth",
                "VmRSS end", "after trim");
    for (const Case &c : cases) {
        const CaseMeasurement &m = c.measurement;
        std::printf("%-8s %12s %12s %12s %10s %12s %12s %10s %10s %12s\n", c.name,
                    qPrintable(kilobytes(m.atStart.maxRss)), qPrintable(kilobytes(m.afterFirst.maxRss)),
                    qPrintable(kilobytes(m.atEnd.maxRss)),
                    qPrintable(growth(m.atStart.maxRss, m.atEnd.maxRss)),
                    qPrintable(kilobytes(m.atStart.vmHwm)), qPrintable(kilobytes(m.atEnd.vmHwm)),
                    qPrintable(growth(m.atStart.vmHwm, m.atEnd.vmHwm)),
                    qPrintable(kilobytes(m.atEnd.vmRss)), qPrintable(kilobytes(m.vmRssTrimmed)));
    }
    const CaseMeasurement &mb = cases[0].measurement;
    const CaseMeasurement &md = cases[1].measurement;
    if (!options.inProcess && mb.atStart.vmHwm >= 0 && md.atStart.vmHwm >= 0
        && mb.atEnd.vmHwm > mb.atStart.vmHwm) {
        std::printf("doubled/base VmHWM growth: %.2fx\n",
                    double(md.atEnd.vmHwm - md.atStart.vmHwm)
                        / double(mb.atEnd.vmHwm - mb.atStart.vmHwm));
    }
    if (options.inProcess)
        std::printf("(one process: the doubled case's start readings include the base case and "
                    "the generator)\n");
    std::printf("\n");

    std::printf("Checks\n");
    for (const Case &c : cases) {
        const CaseMeasurement &m = c.measurement;
        std::printf("%-8s loaded %lld + %lld entries, %lld result rows, %lld CSV lines, "
                    "best alternative %s with %s in every run\n",
                    c.name, (long long)m.requirementEntries, (long long)m.alternativeEntries,
                    (long long)m.resultRows, (long long)m.csvLines,
                    m.bestAlternative.toUtf8().constData(), m.bestPoints.toUtf8().constData());
    }
    std::printf("\n");

    std::printf("Summary\n");
    std::printf("base total (load + evaluation + CSV): %.1f ms, %s 1000 ms\n", base.total,
                base.total < 1000.0 ? "under" : "NOT under");
    std::printf("doubled total: %.1f ms, doubled/base %.2f (linear growth gives about 2, "
                "quadratic about 4)\n",
                doubled.total, doubled.total / base.total);
    std::printf("total/baseline: base %.2f, doubled %.2f\n", base.total / base.baseline,
                doubled.total / doubled.baseline);
}

int runBench(const Options &options)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return fail(QStringLiteral("cannot create a temporary folder: ") + dir.errorString());

    const Shape &shape = options.shape;
    std::vector<Case> cases{
        {"base", shape, dir.filePath(QStringLiteral("base.ahp")), {}, {}},
        {"doubled", Shape{shape.leaves * 2, shape.parents * 2, shape.alternatives},
         dir.filePath(QStringLiteral("doubled.ahp")), {}, {}},
    };

    for (Case &c : cases) {
        std::fprintf(stderr, "priomat-bench: %s case: generating %s\n", c.name,
                     qPrintable(c.path));
        if (options.inProcess) {
            c.file = WriteGeneratedFile(c.path, c.shape, options.seed);
        } else {
            const auto lines = runChild(QStringList{QStringLiteral("--generate"), c.path}
                                        + shapeArguments(c.shape, options.seed));
            const auto file = lines ? parseGenerated(*lines) : std::nullopt;
            if (!file)
                return fail(QStringLiteral("generating the %1 case failed").arg(QLatin1String(c.name)));
            c.file = *file;
        }

        std::fprintf(stderr, "priomat-bench: %s case: %d runs\n", c.name, options.runs);
        if (options.inProcess) {
            c.measurement = MeasureCase(c.path, options.runs);
        } else {
            const auto lines = runChild({QStringLiteral("--measure"), c.path,
                                         QStringLiteral("--runs"), QString::number(options.runs)});
            if (!lines || !ParseMeasurementLines(*lines, c.measurement))
                return fail(QStringLiteral("measuring the %1 case failed").arg(QLatin1String(c.name)));
        }
        if (c.measurement.requirementEntries != c.file.requirementEntries
            || c.measurement.alternativeEntries != c.file.alternativeEntries)
            return fail(QStringLiteral("the %1 case loaded other entries than were written")
                            .arg(QLatin1String(c.name)));
    }

    printReport(options, cases);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }

    Options options;
    if (const auto error = parseOptions(args, options)) {
        fail(*error);
        std::fputs("Try 'priomat-bench --help'.\n", stderr);
        return 2;
    }

    try {
        if (!options.generatePath.isEmpty()) {
            printLines({generatedLine(WriteGeneratedFile(options.generatePath, options.shape,
                                                         options.seed))});
            return 0;
        }
        if (!options.measurePath.isEmpty()) {
            printLines(MeasurementLines(MeasureCase(options.measurePath, options.runs)));
            return 0;
        }
        return runBench(options);
    } catch (const FileError &error) {
        return fail(error.message());
    } catch (const ComputationError &error) {
        return fail(error.message());
    } catch (const std::exception &error) {
        return fail(QString::fromUtf8(error.what()));
    }
}
