// priomat-bench-report: the decision report of a generated document (300 leaves x 40
// alternatives by default). In process: the content, the HTML and the PDF, with the PDF's page
// count; then priomat-cli report to PDF and to HTML end to end against priomat-cli evaluate on
// the same file. Medians in milliseconds over R runs.
#include "Timing.h"
#include "DataGenerator.h"
#include "document/DocumentOpen.h"
#include "document/Report.h"
#include "model/Evaluation.h"
#include "report/ReportPdf.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace priomat;
using priomat::bench::Clock;
using priomat::bench::median;
using priomat::bench::millisecondsSince;

namespace {

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    bench::Shape shape;
    int runs = 3;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == u"--leaves")
            shape.leaves = args.at(i + 1).toInt();
        else if (args.at(i) == u"--alternatives")
            shape.alternatives = args.at(i + 1).toInt();
        else if (args.at(i) == u"--runs")
            runs = std::max(1, args.at(i + 1).toInt());
    }
    QTemporaryDir dir;
    const QString file = dir.filePath("big.ahp");
    bench::WriteGeneratedFile(file, shape, 20240521);
    Document document;
    ReadDocumentInto(file, document, [] { return true; });
    ResultLists results;
    ComputeDocument(document, results, {});

    std::vector<double> content, html, pdf;
    int pages = 0;
    qsizetype pdfBytes = 0, htmlBytes = 0;
    for (int r = 0; r < runs; ++r) {
        Report report;
        content.push_back(timeMs([&] { report = BuildReport(document, {.japanese = false, .fileName = file, .date = {}}); }));
        html.push_back(timeMs([&] { htmlBytes = BuildReportHtml(report).size(); }));
        pdf.push_back(timeMs([&] { pdfBytes = BuildReportPdf(report, QPageSize(QPageSize::A4), &pages).size(); }));
    }
    std::printf("%d leaves x %d alternatives\n", shape.leaves, shape.alternatives);
    std::printf("in process: content %.0f ms, HTML %.0f ms (%lld bytes), PDF %.0f ms (%d pages, %lld bytes)\n",
                median(content), median(html), qlonglong(htmlBytes), median(pdf), pages, qlonglong(pdfBytes));

    auto cli = [&](const QStringList &arguments) {
        return timeMs([&] {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            process.start(PRIOMAT_CLI, arguments);
            process.waitForFinished(-1);
        });
    };
    std::vector<double> evaluate, reportPdf, reportHtml;
    for (int r = 0; r < runs; ++r) {
        evaluate.push_back(cli({"evaluate", file}));
        reportPdf.push_back(cli({"report", file, "-o", dir.filePath("big.pdf")}));
        reportHtml.push_back(cli({"report", file, "-o", dir.filePath("big.html")}));
    }
    std::printf("priomat-cli: evaluate %.0f ms, report PDF %.0f ms (%.1fx), report HTML %.0f ms (%.1fx)\n",
                median(evaluate), median(reportPdf), median(reportPdf) / median(evaluate), median(reportHtml),
                median(reportHtml) / median(evaluate));
    return 0;
}
