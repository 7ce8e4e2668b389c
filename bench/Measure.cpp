#include "Measure.h"

#include "document/CsvExport.h"
#include "document/DocumentFile.h"
#include "document/DocumentOpen.h"
#include "model/Evaluation.h"
#include "model/Priorities.h"
#include "document/TextFile.h"

#include <QFile>

#include <sys/resource.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace priomat::bench {

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

long statusField(const QByteArray &status, const QByteArray &name)
{
    for (const QByteArray &line : status.split('\n')) {
        if (!line.startsWith(name))
            continue;
        QByteArray value = line.mid(name.size()).trimmed();
        if (value.endsWith(" kB"))
            value.chop(3);
        bool ok = false;
        const long kb = value.trimmed().toLong(&ok);
        return ok ? kb : -1;
    }
    return -1;
}

} // namespace

MemoryReading ReadMemory()
{
    MemoryReading reading;
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        reading.maxRss = usage.ru_maxrss;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        const QByteArray text = status.readAll();
        reading.vmHwm = statusField(text, "VmHWM:");
        reading.vmRss = statusField(text, "VmRSS:");
    }
    return reading;
}

CaseMeasurement MeasureCase(const QString &path, int runs)
{
    CaseMeasurement measurement;
    measurement.atStart = ReadMemory();
    qsizetype baselineLines = -1;

    for (int run = 0; run < runs; ++run) {
        RunTimes times;

        // Baseline: the file's bytes read and split into lines, then dropped.
        {
            const auto start = Clock::now();
            qsizetype lineCount = 0;
            {
                QFile file(path);
                if (!file.open(QIODevice::ReadOnly))
                    throw FileError(QStringLiteral("Cannot open \"%1\"").arg(path));
                const QByteArray bytes = file.readAll();
                lineCount = DecodeTextLines(bytes).lines.size();
            }
            times.baseline = millisecondsBetween(start, Clock::now());
            if (baselineLines >= 0 && lineCount != baselineLines)
                throw std::runtime_error("the baseline read a different line count");
            baselineLines = lineCount;
        }

        {
            Document document;
            ResultLists results;

            auto start = Clock::now();
            {
                if (ReadDocumentInto(path, document, {}).status != ReadStatus::Read)
                    throw std::runtime_error("the generated file did not read as a data file");
            }
            auto end = Clock::now();
            times.load = millisecondsBetween(start, end);

            start = Clock::now();
            ComputeDocument(document, results, {});
            end = Clock::now();
            times.evaluation = millisecondsBetween(start, end);

            start = Clock::now();
            const QStringList csv = BuildCsvLines(document, results);
            end = Clock::now();
            times.csv = millisecondsBetween(start, end);
            times.total = times.load + times.evaluation + times.csv;

            // The best alternative, to see that every run computes the same thing.
            qsizetype best = -1;
            double bestPoints = -1.0;
            for (qsizetype k = 0; k < results.alternatives.size(); ++k) {
                const double points = ShownValue(results.alternatives.at(k).value);
                if (points > bestPoints) {
                    bestPoints = points;
                    best = k;
                }
            }
            if (best < 0)
                throw std::runtime_error("the evaluation produced no alternatives");
            const ResultRow &row = results.alternatives.at(best);
            if (run == 0) {
                measurement.requirementEntries = document.RequirementComparisons.size();
                measurement.alternativeEntries = document.AlternativeComparisons.size();
                measurement.csvLines = csv.size();
                measurement.resultRows = results.requirements.size() + results.alternatives.size();
                measurement.bestAlternative = row.name;
                measurement.bestPoints = row.text();
            } else if (csv.size() != measurement.csvLines || row.name != measurement.bestAlternative
                       || row.text() != measurement.bestPoints) {
                throw std::runtime_error("two runs on the same file gave different results");
            }
        }

        measurement.runs.push_back(times);
        if (run == 0)
            measurement.afterFirst = ReadMemory();
    }
    measurement.atEnd = ReadMemory();
#ifdef __GLIBC__
    // What stays resident after the trim is live; the rest was only kept by the allocator.
    malloc_trim(0);
    measurement.vmRssTrimmed = ReadMemory().vmRss;
#endif
    return measurement;
}

namespace {

QString memoryLine(const char *name, const MemoryReading &reading)
{
    return QStringLiteral("%1\t%2\t%3\t%4")
        .arg(QLatin1String(name))
        .arg(reading.maxRss)
        .arg(reading.vmHwm)
        .arg(reading.vmRss);
}

QString timesLine(const char *name, const std::vector<RunTimes> &runs, double RunTimes::*field)
{
    QString line = QLatin1String(name);
    for (const RunTimes &times : runs)
        line += u'\t' + QString::number(times.*field, 'f', 4);
    return line;
}

} // namespace

QStringList MeasurementLines(const CaseMeasurement &m)
{
    return {
        timesLine("baseline", m.runs, &RunTimes::baseline),
        timesLine("load", m.runs, &RunTimes::load),
        timesLine("evaluation", m.runs, &RunTimes::evaluation),
        timesLine("csv", m.runs, &RunTimes::csv),
        memoryLine("memory-start", m.atStart),
        memoryLine("memory-first", m.afterFirst),
        memoryLine("memory-end", m.atEnd),
        QStringLiteral("rss-trimmed\t%1").arg(m.vmRssTrimmed),
        QStringLiteral("entries\t%1\t%2").arg(m.requirementEntries).arg(m.alternativeEntries),
        QStringLiteral("csv-lines\t%1").arg(m.csvLines),
        QStringLiteral("result-rows\t%1").arg(m.resultRows),
        QStringLiteral("best\t%1\t%2").arg(m.bestAlternative, m.bestPoints),
    };
}

bool ParseMeasurementLines(const QStringList &lines, CaseMeasurement &m)
{
    std::vector<std::vector<double>> columns(4);
    const char *const timeNames[] = {"baseline", "load", "evaluation", "csv"};
    int seen = 0;
    for (const QString &line : lines) {
        const QStringList fields = line.split(u'\t');
        const QString &name = fields.first();
        bool handled = false;
        for (int k = 0; k < 4; ++k) {
            if (name != QLatin1String(timeNames[k]))
                continue;
            for (qsizetype i = 1; i < fields.size(); ++i)
                columns[size_t(k)].push_back(fields.at(i).toDouble());
            handled = true;
            ++seen;
        }
        if (handled)
            continue;
        auto memory = [&fields](MemoryReading &reading) {
            if (fields.size() != 4)
                return false;
            reading.maxRss = fields.at(1).toLong();
            reading.vmHwm = fields.at(2).toLong();
            reading.vmRss = fields.at(3).toLong();
            return true;
        };
        if (name == u"memory-start" && memory(m.atStart))
            ++seen;
        else if (name == u"memory-first" && memory(m.afterFirst))
            ++seen;
        else if (name == u"memory-end" && memory(m.atEnd))
            ++seen;
        else if (name == u"entries" && fields.size() == 3) {
            m.requirementEntries = fields.at(1).toLongLong();
            m.alternativeEntries = fields.at(2).toLongLong();
            ++seen;
        } else if (name == u"rss-trimmed" && fields.size() == 2) {
            m.vmRssTrimmed = fields.at(1).toLong();
            ++seen;
        } else if (name == u"csv-lines" && fields.size() == 2) {
            m.csvLines = fields.at(1).toLongLong();
            ++seen;
        } else if (name == u"result-rows" && fields.size() == 2) {
            m.resultRows = fields.at(1).toLongLong();
            ++seen;
        } else if (name == u"best" && fields.size() == 3) {
            m.bestAlternative = fields.at(1);
            m.bestPoints = fields.at(2);
            ++seen;
        }
    }
    const size_t runs = columns[0].size();
    if (seen != 12 || runs == 0)
        return false;
    for (const auto &column : columns) {
        if (column.size() != runs)
            return false;
    }
    m.runs.assign(runs, RunTimes{});
    for (size_t r = 0; r < runs; ++r) {
        RunTimes &times = m.runs[r];
        times.baseline = columns[0][r];
        times.load = columns[1][r];
        times.evaluation = columns[2][r];
        times.csv = columns[3][r];
        times.total = times.load + times.evaluation + times.csv;
    }
    return true;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return (values[middle - 1] + values[middle]) / 2.0;
}

} // namespace priomat::bench
