// priomat-bench-save: time and peak memory of saving a document against its depth and its
// sibling count. Each case runs in a child process so that its peak memory is its own.
#include "Measure.h"
#include "document/DocumentFile.h"
#include "document/TextFile.h"
#include "model/Document.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

using namespace priomat;
using namespace priomat::bench;

namespace {

const char *const Usage =
    "Usage: priomat-bench-save [--scale K]\n"
    "\n"
    "Saves documents of growing shape, each in its own process, and prints the save time,\n"
    "the file size and the rise of the peak resident memory during the save:\n"
    "  siblings  one root with N children, N = 12,500 … 100,000 × K\n"
    "  chain     one file line indented N blanks (N − 1 '?' levels), N = 12,500 … 100,000 × K\n"
    "  nested    N levels each with its own caption, N = 1,000 … 8,000 × K (the file itself\n"
    "            grows with N², so time and memory per byte are what must stay flat)\n";

Document build(const QString &kind, int n)
{
    Document document;
    document.reset();
    RequirementNode *root = document.tree.root();
    if (kind == u"siblings") {
        for (int i = 0; i < n; ++i)
            root->appendChild(std::make_unique<RequirementNode>(QStringLiteral("Sibling %1").arg(i)));
    } else if (kind == u"chain") {
        // As a file with one deeply indented line reads: n − 1 "?" levels, then the line.
        RequirementNode *node = root;
        for (int i = 1; i < n; ++i)
            node = node->appendChild(std::make_unique<RequirementNode>(QStringLiteral("?")));
        node->appendChild(std::make_unique<RequirementNode>(QStringLiteral("Deep")));
    } else {
        RequirementNode *node = root;
        for (int i = 0; i < n; ++i)
            node = node->appendChild(std::make_unique<RequirementNode>(QStringLiteral("Level %1").arg(i)));
    }
    return document;
}

// Child: build, save, print "milliseconds bytes peak-rise-kB".
int runCase(const QString &kind, int n, const QString &path)
{
    const Document document = build(kind, n);
    const MemoryReading before = ReadMemory();
    const auto start = std::chrono::steady_clock::now();
    SaveDataFile(path, document);
    const auto end = std::chrono::steady_clock::now();
    const MemoryReading after = ReadMemory();
    std::printf("%.1f %lld %ld\n", std::chrono::duration<double, std::milli>(end - start).count(),
                static_cast<long long>(QFileInfo(path).size()), after.vmHwm - before.vmRss);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 4 && args.at(0) == u"--case")
        return runCase(args.at(1), args.at(2).toInt(), args.at(3));
    double scale = 1.0;
    if (args.size() == 2 && args.at(0) == u"--scale") {
        scale = args.at(1).toDouble();
    } else if (!args.isEmpty()) {
        std::fputs(Usage, args.at(0) == u"--help" ? stdout : stderr);
        return args.at(0) == u"--help" ? 0 : 2;
    }
    if (scale <= 0.0)
        scale = 1.0;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("save.ahp"));
    std::printf("case\tN\tfile bytes\tsave ms\tpeak rise kB\tns per byte\tbytes of peak per file byte\n");
    struct Series
    {
        const char *kind;
        int base;
    };
    for (const Series series : {Series{"siblings", 12500}, Series{"chain", 12500}, Series{"nested", 1000}}) {
        for (int factor = 1; factor <= 8; factor *= 2) {
            const int n = int(series.base * factor * scale);
            QProcess child;
            child.start(app.applicationFilePath(),
                        {QStringLiteral("--case"), QString::fromLatin1(series.kind), QString::number(n), path});
            if (!child.waitForFinished(-1) || child.exitCode() != 0) {
                std::fprintf(stderr, "priomat-bench-save: case %s %d failed: %s\n", series.kind, n,
                             child.readAllStandardError().constData());
                return 1;
            }
            const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
            const double ms = figures.value(0).toDouble();
            const double bytes = figures.value(1).toDouble();
            const double peak = figures.value(2).toDouble();
            std::printf("%s\t%d\t%.0f\t%.1f\t%.0f\t%.2f\t%.2f\n", series.kind, n, bytes, ms, peak,
                        bytes > 0 ? ms * 1e6 / bytes : 0.0, bytes > 0 ? peak * 1024.0 / bytes : 0.0);
            std::fflush(stdout);
        }
    }
    return 0;
}
