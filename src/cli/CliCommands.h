// The commands of priomat-cli, apart from argument parsing and output.
#pragma once

#include "model/Document.h"

#include <QStringList>

namespace priomat::cli {

enum ExitCode {
    ExitSuccess = 0,
    ExitComputation = 1, // a value could not be computed
    ExitUsage = 2,       // bad arguments, or a missing, unreadable or foreign file
};

// Each returns the output lines; a ComputationError escapes to the caller.
QStringList EvaluateLines(Document &document);
QStringList CsvLines(Document &document, bool calculate);
QStringList CheckLines(const Document &document);
// The advisor's suggestions for every matrix whose index is above 0.1, one TAB-separated line
// each: owner, row, column, value, suggested value, index now, index after. A matrix that
// cannot be computed stops it: `failure` names the entry and nothing is returned.
QStringList AdviseLines(const Document &document, QString &failure);

} // namespace priomat::cli
