// Timing the phases of opening a data file, and reading the process's memory figures.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace priomat::bench {

// Milliseconds of one run.
struct RunTimes
{
    double baseline = 0.0;   // read the bytes and split them into lines, nothing more
    double load = 0.0;       // ReadDataFile + InstallParsedDocument
    double evaluation = 0.0; // UpdateSubtreeWeights from the root + Recalculate
    double csv = 0.0;        // BuildCsvLines
    double total = 0.0;      // load + evaluation + csv
};

// Kilobytes; -1 when the figure cannot be read.
struct MemoryReading
{
    long maxRss = -1; // getrusage ru_maxrss
    long vmHwm = -1;  // VmHWM of /proc/self/status
    long vmRss = -1;  // VmRSS of /proc/self/status
};

MemoryReading ReadMemory();

struct CaseMeasurement
{
    std::vector<RunTimes> runs;
    MemoryReading atStart;   // before the first run
    MemoryReading afterFirst;
    MemoryReading atEnd;     // after the last run, its document released
    long vmRssTrimmed = -1;  // VmRSS once malloc has handed its free memory back
    qsizetype requirementEntries = 0;
    qsizetype alternativeEntries = 0;
    qsizetype csvLines = 0;
    qsizetype resultRows = 0;
    QString bestAlternative; // name and points, to see that every run agrees
    QString bestPoints;
};

// Runs the phases `runs` times on the file. Throws FileError, ComputationError, or
// std::runtime_error when the runs disagree or the file is not what was generated.
CaseMeasurement MeasureCase(const QString &path, int runs);

// The measurement as TAB-separated lines, and back, for a child process to report it.
QStringList MeasurementLines(const CaseMeasurement &measurement);
bool ParseMeasurementLines(const QStringList &lines, CaseMeasurement &measurement);

double Median(std::vector<double> values);

} // namespace priomat::bench
