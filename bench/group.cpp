// priomat-bench-group: priomat-cli combine and agreement over many participants' files of the
// generated model, against priomat-cli evaluate of one of them, as whole processes run in turn.
#include "DataGenerator.h"
#include "document/TextFile.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <vector>

extern char **environ;

using namespace priomat;
using namespace priomat::bench;

namespace {

const char *const Usage =
    "Usage: priomat-bench-group [--participants P] [--runs R] [--leaves N] [--parents Q]\n"
    "                           [--alternatives A]\n"
    "\n"
    "Writes P participants' files of the generated model (N leaves under Q parents, A\n"
    "alternatives, every pair entered, each file with its own judgements), then runs\n"
    "priomat-cli evaluate on one file, combine and agreement on all of them, R times in turn,\n"
    "and prints the median times and peak memory against the evaluation.\n"
    "Defaults: 50 participants, 3 runs, 300 leaves, 12 parents, 40 alternatives.\n";

struct ProcessRun
{
    double milliseconds = 0.0;
    long peakKb = 0;
};

// Runs priomat-cli with `arguments`, its output to /dev/null; throws when it fails.
ProcessRun runCli(const QStringList &arguments)
{
    std::vector<QByteArray> bytes{QByteArray(PRIOMAT_CLI)};
    for (const QString &argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    bytes.push_back("-o");
    bytes.push_back("/dev/null");
    std::vector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, PRIOMAT_CLI, nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start priomat-cli");
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("priomat-cli " + arguments.first().toStdString() + " failed");
    ProcessRun run;
    run.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

int run(const QStringList &args)
{
    Shape shape;
    int participants = 50;
    int runs = 3;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == u"--help") {
            std::fputs(Usage, stdout);
            return 0;
        }
        bool ok = false;
        const int value = i + 1 < args.size() ? args.at(i + 1).toInt(&ok) : 0;
        if (!ok || value < 1) {
            std::fprintf(stderr, "priomat-bench-group: %s needs a positive number\n%s", qPrintable(args.at(i)), Usage);
            return 2;
        }
        const QString &option = args.at(i++);
        if (option == u"--participants")
            participants = value;
        else if (option == u"--runs")
            runs = value;
        else if (option == u"--leaves")
            shape.leaves = value;
        else if (option == u"--parents")
            shape.parents = value;
        else if (option == u"--alternatives")
            shape.alternatives = value;
        else {
            std::fprintf(stderr, "priomat-bench-group: unknown option %s\n%s", qPrintable(option), Usage);
            return 2;
        }
    }

    QTemporaryDir folder;
    if (!folder.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    QStringList files;
    std::fprintf(stderr, "priomat-bench-group: writing %d participants' files\n", participants);
    for (int p = 0; p < participants; ++p) {
        files.append(folder.filePath(QStringLiteral("participant-%1.ahp").arg(p + 1, 2, 10, QChar(u'0'))));
        WriteGeneratedFile(files.last(), shape, std::uint32_t(20240521 + p));
    }

    const QStringList evaluate{QStringLiteral("evaluate"), files.first()};
    const QStringList combine = QStringList{QStringLiteral("combine")} + files;
    const QStringList agreement = QStringList{QStringLiteral("agreement")} + files;
    std::vector<double> evaluateMs, combineMs, agreementMs, combineRatio, agreementRatio;
    long evaluatePeak = 0, combinePeak = 0, agreementPeak = 0;
    for (int r = 0; r < runs; ++r) {
        std::fprintf(stderr, "priomat-bench-group: run %d of %d\n", r + 1, runs);
        const ProcessRun one = runCli(evaluate);
        const ProcessRun combined = runCli(combine);
        const ProcessRun agreed = runCli(agreement);
        evaluateMs.push_back(one.milliseconds);
        combineMs.push_back(combined.milliseconds);
        agreementMs.push_back(agreed.milliseconds);
        combineRatio.push_back(combined.milliseconds / one.milliseconds);
        agreementRatio.push_back(agreed.milliseconds / one.milliseconds);
        evaluatePeak = std::max(evaluatePeak, one.peakKb);
        combinePeak = std::max(combinePeak, combined.peakKb);
        agreementPeak = std::max(agreementPeak, agreed.peakKb);
    }

    std::printf("priomat-bench-group: %d participants, %d leaves under %d parents, %d alternatives, "
                "%d runs in turn\n\n",
                participants, shape.leaves, shape.parents, shape.alternatives, runs);
    std::printf("%-22s %12s %16s %14s %16s\n", "process", "median ms", "median ratio", "peak kB", "peak ratio");
    std::printf("%-22s %12.1f %16s %14ld %16s\n", "evaluate (one file)", median(evaluateMs), "1", evaluatePeak, "1");
    std::printf("%-22s %12.1f %16.1f %14ld %16.2f\n", "combine", median(combineMs), median(combineRatio),
                combinePeak, double(combinePeak) / double(evaluatePeak));
    std::printf("%-22s %12.1f %16.1f %14ld %16.2f\n", "agreement", median(agreementMs), median(agreementRatio),
                agreementPeak, double(agreementPeak) / double(evaluatePeak));
    std::printf("\nper participant: combine %.2f, agreement %.2f evaluations\n",
                median(combineRatio) / participants, median(agreementRatio) / participants);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        return run(QCoreApplication::arguments().mid(1));
    } catch (const FileError &error) {
        std::fprintf(stderr, "priomat-bench-group: %s\n", qPrintable(error.message()));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "priomat-bench-group: %s\n", error.what());
    }
    return 2;
}
