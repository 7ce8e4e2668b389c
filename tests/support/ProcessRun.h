// A child program's exit code and output, for tests that run the programs.
#pragma once

#include <QByteArray>
#include <QProcess>

namespace priomat::test {

struct Run
{
    int exitCode = -1; // -1: did not finish in time, -2: crashed
    QByteArray out;
    QByteArray err;
};

// Waits for the started `process` and collects what it gave.
inline Run FinishProcess(QProcess &process, int timeoutMs)
{
    Run run;
    if (!process.waitForFinished(timeoutMs))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace priomat::test
